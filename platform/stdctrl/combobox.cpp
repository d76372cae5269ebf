#include "platform/stdctrl/combobox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "platform/window/wnd_impl.h"

// The Qt box behind a combo box; it reports list drops and closes.
class NativeComboBox : public QComboBox {
public:
    NativeComboBox(CComboBox* owner, QWidget* parent) : QComboBox(parent), m_owner(owner) {}
    bool dropped = false;

    void showPopup() override {
        WindowImpl* impl = WindowImpl::FromWidget(this);
        const HWND h = impl ? impl->handle : nullptr;
        if (h) m_owner->Notify(CBN_DROPDOWN);
        if (h && !IsWindow(h)) return;
        dropped = true;
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (!dropped) return;
        dropped = false;
        if (WindowImpl::FromWidget(this)) m_owner->Notify(CBN_CLOSEUP);
    }

private:
    CComboBox* m_owner;
};

namespace {

NativeComboBox* BoxOf(const CWnd* w) { return dynamic_cast<NativeComboBox*>(w->Widget()); }

QString ToQt(const char16_t* text) { return QString::fromUtf16(text ? text : u""); }

std::u16string FromQt(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
}

// Counts the program's own changes, so they report no CBN_SELCHANGE.
struct ProgramChange {
    explicit ProgramChange(int& n) : count(n) { ++count; }
    ~ProgramChange() { --count; }
    int& count;
};

}  // namespace

CComboBox::CComboBox() = default;

CComboBox::~CComboBox() {
    if (m_hWnd) DestroyWindow();
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(u"COMBOBOX", u"", style, rect, parent, id);
}

QWidget* CComboBox::CreateWidget(QWidget* parentWidget, bool) {
    auto* box = new NativeComboBox(this, parentWidget);
    const DWORD style = GetStyle();
    box->setEditable((style & 0x3) == CBS_DROPDOWN || (style & 0x3) == CBS_SIMPLE);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(30);
    const HWND h = m_hWnd;
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [this, h](int) {
        if (IsWindow(h) && m_programChanges == 0) Notify(CBN_SELCHANGE);
    });
    return box;
}

void CComboBox::Notify(UINT code) {
    CWnd* parent = GetParent();
    if (parent) parent->SendMessage(WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), int(code)), reinterpret_cast<LPARAM>(m_hWnd));
}

LRESULT CComboBox::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    NativeComboBox* box = BoxOf(this);
    if (!box) return CWnd::ClassWindowProc(message, wParam, lParam);
    const ProgramChange change(m_programChanges);
    const int count = box->count();
    switch (message) {
    case CB_ADDSTRING: {
        const QString text = ToQt(reinterpret_cast<const char16_t*>(lParam));
        int index = count;
        if (GetStyle() & CBS_SORT) {
            index = 0;
            while (index < count && box->itemText(index).compare(text, Qt::CaseInsensitive) <= 0) ++index;
        }
        box->insertItem(index, text);
        // A list that had no entries keeps no selection.
        if (count == 0) box->setCurrentIndex(-1);
        return index;
    }
    case CB_INSERTSTRING: {
        int index = int(wParam);
        if (index == -1) index = count;
        if (index < 0 || index > count) return CB_ERR;
        const int selected = box->currentIndex();
        box->insertItem(index, ToQt(reinterpret_cast<const char16_t*>(lParam)));
        if (count == 0 || selected < 0) box->setCurrentIndex(-1);
        return index;
    }
    case CB_DELETESTRING: {
        const int index = int(wParam);
        if (index < 0 || index >= count) return CB_ERR;
        const int selected = box->currentIndex();
        box->removeItem(index);
        if (selected == index) box->setCurrentIndex(-1);
        return box->count();
    }
    case CB_RESETCONTENT:
        box->clear();
        return CB_OKAY;
    case CB_GETCOUNT:
        return count;
    case CB_GETCURSEL:
        return box->currentIndex() < 0 ? CB_ERR : box->currentIndex();
    case CB_SETCURSEL: {
        const int index = int(wParam);
        if (index < 0 || index >= count) {
            box->setCurrentIndex(-1);
            return CB_ERR;
        }
        box->setCurrentIndex(index);
        return index;
    }
    case CB_GETLBTEXT: {
        const int index = int(wParam);
        if (index < 0 || index >= count) return CB_ERR;
        const QString text = box->itemText(index);
        if (lParam) *reinterpret_cast<std::u16string*>(lParam) = FromQt(text);
        return text.size();
    }
    case CB_GETLBTEXTLEN: {
        const int index = int(wParam);
        if (index < 0 || index >= count) return CB_ERR;
        return box->itemText(index).size();
    }
    case CB_FINDSTRINGEXACT: {
        const QString text = ToQt(reinterpret_cast<const char16_t*>(lParam));
        const int first = int(wParam) < 0 || int(wParam) >= count ? 0 : int(wParam) + 1;
        for (int k = 0; k < count; ++k) {
            const int i = (first + k) % count;
            if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) return i;
        }
        return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
        if (wParam) box->showPopup();
        else box->hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return box->dropped ? TRUE : FALSE;
    case WM_SETTEXT:
        if (box->isEditable() && box->lineEdit()) {
            box->lineEdit()->setText(ToQt(reinterpret_cast<const char16_t*>(lParam)));
            return TRUE;
        }
        return CWnd::ClassWindowProc(message, wParam, lParam);
    case WM_GETTEXT: {
        if (!lParam) return 0;
        const QString text = box->isEditable() && box->lineEdit() ? box->lineEdit()->text() : box->currentText();
        *reinterpret_cast<std::u16string*>(lParam) = FromQt(text);
        return text.size();
    }
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

int CComboBox::AddString(LPCTSTR text) {
    if (!m_hWnd) return CB_ERR;
    return int(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : u"")));
}

int CComboBox::InsertString(int index, LPCTSTR text) {
    if (!m_hWnd) return CB_ERR;
    return int(SendMessage(CB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(text ? text : u"")));
}

int CComboBox::DeleteString(UINT index) {
    if (!m_hWnd) return CB_ERR;
    return int(SendMessage(CB_DELETESTRING, index, 0));
}

void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }

int CComboBox::GetCount() const {
    if (!m_hWnd) return CB_ERR;
    return int(WindowImpl::Dispatch(m_hWnd, CB_GETCOUNT, 0, 0));
}

int CComboBox::GetCurSel() const {
    if (!m_hWnd) return CB_ERR;
    return int(WindowImpl::Dispatch(m_hWnd, CB_GETCURSEL, 0, 0));
}

int CComboBox::SetCurSel(int index) {
    if (!m_hWnd) return CB_ERR;
    return int(SendMessage(CB_SETCURSEL, WPARAM(index), 0));
}

int CComboBox::GetLBText(int index, std::u16string& text) const {
    if (!m_hWnd) return CB_ERR;
    return int(WindowImpl::Dispatch(m_hWnd, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&text)));
}

int CComboBox::GetLBTextLen(int index) const {
    if (!m_hWnd) return CB_ERR;
    return int(WindowImpl::Dispatch(m_hWnd, CB_GETLBTEXTLEN, WPARAM(index), 0));
}

int CComboBox::FindStringExact(int startAfter, LPCTSTR text) const {
    if (!m_hWnd) return CB_ERR;
    return int(WindowImpl::Dispatch(m_hWnd, CB_FINDSTRINGEXACT, WPARAM(startAfter),
                                    reinterpret_cast<LPARAM>(text ? text : u"")));
}

void CComboBox::ShowDropDown(BOOL show) { SendMessage(CB_SHOWDROPDOWN, WPARAM(show), 0); }

BOOL CComboBox::GetDroppedState() const {
    return m_hWnd ? BOOL(WindowImpl::Dispatch(m_hWnd, CB_GETDROPPEDSTATE, 0, 0)) : FALSE;
}
