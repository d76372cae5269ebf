// Run-time classes: objects that know their class by name and base, and classes
// that can make new objects of themselves (so that a caller can keep "which kind
// of object to make" as a value and make it later).
//
//   class CShape : public CObject { DECLARE_DYNAMIC(CShape) ... };
//   class CSquare : public CShape { DECLARE_DYNCREATE(CSquare) ... };
//   IMPLEMENT_DYNAMIC(CShape, CObject)       // in one source file
//   IMPLEMENT_DYNCREATE(CSquare, CShape)
//
//   CObject* o = RUNTIME_CLASS(CSquare)->CreateObject();   // a new CSquare
//   o->IsKindOf(RUNTIME_CLASS(CShape));                     // true
//
// A class without a factory (abstract, or DECLARE_DYNAMIC only) gives null from
// CreateObject and reports FALSE from IsCreatable.
#pragma once

#include "platform/base/types.h"

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName = nullptr;
    CObject* (*m_pfnCreateObject)() = nullptr;  // null: not creatable
    const CRuntimeClass* m_pBaseClass = nullptr;

    // A new object of this class, or null when the class is not creatable.
    CObject* CreateObject() const;
    BOOL IsCreatable() const { return m_pfnCreateObject != nullptr; }
    // True when this class is `base` or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* cls) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)                                   \
public:                                                         \
    static const CRuntimeClass class##name;                     \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(name)                                 \
    DECLARE_DYNAMIC(name)                                       \
    static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(name, base)                                                \
    const CRuntimeClass name::class##name{#name, nullptr, RUNTIME_CLASS(base)};     \
    const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }

#define IMPLEMENT_DYNCREATE(name, base)                                              \
    CObject* name::CreateObject() { return new name; }                               \
    const CRuntimeClass name::class##name{#name, &name::CreateObject, RUNTIME_CLASS(base)}; \
    const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }
