// Run-time classes: names, bases, factories.
#include <gtest/gtest.h>

#include <memory>

#include "platform/base/object.h"

namespace {

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};
class CSquare : public CShape {
    DECLARE_DYNCREATE(CSquare)
public:
    int side = 4;
};
class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)
};

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CSquare, CShape)
IMPLEMENT_DYNCREATE(CCircle, CShape)

}  // namespace

TEST(RuntimeClass, KindsFollowTheBaseChain) {
    struct Case {
        const CRuntimeClass* of;
        const CRuntimeClass* base;
        bool derived;
    } cases[] = {
        {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CSquare), true}, {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CShape), true},
        {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CObject), true}, {RUNTIME_CLASS(CSquare), RUNTIME_CLASS(CCircle), false},
        {RUNTIME_CLASS(CShape), RUNTIME_CLASS(CSquare), false}, {RUNTIME_CLASS(CSquare), nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bool(c.of->IsDerivedFrom(c.base)), c.derived)
            << c.of->m_lpszClassName << " from " << (c.base ? c.base->m_lpszClassName : "null");
    EXPECT_STREQ(RUNTIME_CLASS(CCircle)->m_lpszClassName, "CCircle");
    EXPECT_EQ(RUNTIME_CLASS(CCircle)->m_pBaseClass, RUNTIME_CLASS(CShape));
}

TEST(RuntimeClass, CreatableClassesMakeObjectsOfThemselves) {
    EXPECT_FALSE(RUNTIME_CLASS(CShape)->IsCreatable());
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
    EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
    std::unique_ptr<CObject> made(RUNTIME_CLASS(CSquare)->CreateObject());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(CSquare));
    EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_EQ(static_cast<CSquare*>(made.get())->side, 4);
}
