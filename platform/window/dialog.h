// Dialogs: templates kept as data, modal and modeless dialogs, the dialog keys.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/wnd.h"

// One control of a dialog template; position and size in dialog units.
struct DialogItemTemplate {
    std::u16string className;  // "Button", "Edit", "Static", "ComboBox", "SysIPAddress32", ...
    std::u16string text;
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    UINT id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::u16string caption;
    std::u16string fontFace;
    WORD pointSize = 9;
    std::vector<DialogItemTemplate> items;
};

namespace platform {
void RegisterDialogTemplate(DialogTemplate tmpl);
const DialogTemplate* FindDialogTemplate(UINT id);

// Makes the window object for a template control of the given class; the dialog
// owns it and creates its window. Classes without a factory get a plain window.
using ControlFactory = std::function<std::unique_ptr<CWnd>(const DialogItemTemplate&)>;
// Fits a template control's window once it exists, for a class whose template
// rectangle is not its window's (a combo box's template height is its dropped list's).
using ControlPlacement = std::function<void(CWnd& control, const RECT& templateRect)>;
void RegisterControlClass(const std::u16string& className, ControlFactory factory,
                          ControlPlacement place = {});

// Dialog units of a template font, in pixels: x = dlu * baseX / 4, y = dlu * baseY / 8.
SIZE DialogBaseUnits(const std::u16string& fontFace, int pointSize);
}  // namespace platform

struct CDataExchange {
    BOOL m_bSaveAndValidate = FALSE;
    CWnd* m_pDlgWnd = nullptr;
};

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog from its template, runs OnInitDialog, shows it and runs a
    // nested event loop (timers, posted messages and sockets go on) until
    // EndDialog. Returns EndDialog's result, or -1 when the template is missing.
    virtual INT_PTR DoModal();
    // Modeless: creates the window from the template and runs OnInitDialog.
    using CWnd::Create;
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* dx);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Tab moves the focus, Enter is OK and Escape is Cancel, unless the control
    // with the focus wants those keys itself (WM_GETDLGCODE).
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT TemplateId() const { return m_templateId; }
    bool IsModalLoopRunning() const { return m_loopRunning; }

protected:
    bool ErasesWithFaceColour() const override { return true; }

    UINT m_templateId = 0;
    CWnd* m_pParentWnd = nullptr;

private:
    BOOL CreateFromTemplate(CWnd* parent);

    std::vector<std::unique_ptr<CWnd>> m_templateControls;
    int m_result = 0;
    bool m_ended = false;
    bool m_loopRunning = false;
    void* m_loop = nullptr;  // the nested event loop while DoModal runs
};
