#include "platform/stdctrl/ipaddress.h"

#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShowEvent>
#include <QRegularExpressionValidator>
#include <array>
#include <climits>

#include "platform/window/dialog.h"
#include "platform/window/wnd_impl.h"

namespace {

constexpr int kFields = 4;
constexpr int kDigits = 3;
constexpr int kHighest = 255;

class IpField;

// Where the caret goes in a field the control moves to.
enum class Landing { SelectAll, Start, End };

// The Qt face of the control: four fields and the dots between them.
class IpAddressWidget : public QFrame {
public:
    explicit IpAddressWidget(QWidget* parent);
    std::array<IpField*, kFields> fields{};

    void EnterField(int index, Landing landing);
    void SetAddress(DWORD host);
    int GetAddress(DWORD* host) const;
    void Clear();
    bool IsBlank() const;

protected:
    void showEvent(QShowEvent* e) override;
    // A click on a dot or the frame enters the nearest field.
    void mousePressEvent(QMouseEvent* e) override;
};

// One field of up to three digits. An operator types an address in one go:
// a third digit moves on to the next field, "." moves on from a field that
// holds digits of its own (so it does not skip the field a third digit has
// just entered), Backspace at the start goes back, and entering a field by a
// click or Tab selects its text so that typing replaces it.
class IpField : public QLineEdit {
public:
    IpField(IpAddressWidget* owner, int index) : QLineEdit(owner), m_owner(owner), m_index(index) {
        setFrame(false);
        setAlignment(Qt::AlignCenter);
        setMaxLength(kDigits);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
        setFocusPolicy(Qt::ClickFocus);
        // A paste or any other edit of the field's own keeps it in range too.
        connect(this, &QLineEdit::textEdited, this, [this] { KeepInRange(); });
    }

    // Types one digit as the operator's key does.
    void TypeDigit(QChar digit) {
        if (!hasSelectedText() && text().size() >= kDigits) {
            // A full field: at its end the digit starts the next field.
            if (cursorPosition() == text().size() && m_index + 1 < kFields) {
                m_owner->EnterField(m_index + 1, Landing::SelectAll);
                m_owner->fields[size_t(m_index + 1)]->TypeDigit(digit);
            }
            return;
        }
        m_clamped = false;
        insert(QString(digit));
        KeepInRange();
        if (m_clamped) return;
        if (text().size() == kDigits && cursorPosition() == kDigits && m_index + 1 < kFields)
            m_owner->EnterField(m_index + 1, Landing::SelectAll);
    }

    // Digits that stay when the next key is typed: those outside the selection.
    bool HoldsDigits() const { return text().size() > selectedText().size(); }

protected:
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);  // Tab and Shift+Tab select the text here
        m_enteredByClick = e->reason() == Qt::MouseFocusReason;
        if (m_enteredByClick) selectAll();
    }

    void focusOutEvent(QFocusEvent* e) override {
        m_enteredByClick = false;
        m_pressKept = false;
        QLineEdit::focusOutEvent(e);
    }

    // The press that brought the focus keeps the selection made on entering;
    // later presses place the caret as in any field.
    void mousePressEvent(QMouseEvent* e) override {
        if (m_enteredByClick && e->button() == Qt::LeftButton) {
            m_enteredByClick = false;
            m_pressKept = true;
            e->accept();
            return;
        }
        m_enteredByClick = false;
        QLineEdit::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (m_pressKept) {
            e->accept();
            return;
        }
        QLineEdit::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (m_pressKept) {
            m_pressKept = false;
            e->accept();
            return;
        }
        QLineEdit::mouseReleaseEvent(e);
    }

    void keyPressEvent(QKeyEvent* e) override {
        m_enteredByClick = false;
        const bool plain = !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        const QString typed = e->text();
        if (plain && typed == QStringLiteral(".")) {
            if (HoldsDigits() && m_index + 1 < kFields) m_owner->EnterField(m_index + 1, Landing::SelectAll);
            e->accept();
            return;
        }
        if (plain && typed.size() == 1 && typed[0] >= u'0' && typed[0] <= u'9') {
            TypeDigit(typed[0]);
            e->accept();
            return;
        }
        const bool caretOnly = !hasSelectedText();
        switch (e->key()) {
        case Qt::Key_Backspace:
            if (caretOnly && cursorPosition() == 0 && m_index > 0) {
                m_owner->EnterField(m_index - 1, Landing::End);
                e->accept();
                return;
            }
            break;
        case Qt::Key_Left:
            if (plain && caretOnly && cursorPosition() == 0 && m_index > 0) {
                m_owner->EnterField(m_index - 1, Landing::End);
                e->accept();
                return;
            }
            break;
        case Qt::Key_Right:
            if (plain && caretOnly && cursorPosition() == text().size() && m_index + 1 < kFields) {
                m_owner->EnterField(m_index + 1, Landing::Start);
                e->accept();
                return;
            }
            break;
        default:
            break;
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    // A number above 255 becomes 255, selected, and the focus stays in the
    // field so the operator sees the change.
    void KeepInRange() {
        bool ok = false;
        const int value = text().toInt(&ok);
        if (!ok || value <= kHighest) return;
        setText(QString::number(kHighest));
        selectAll();
        m_clamped = true;
    }

    IpAddressWidget* m_owner;
    int m_index;
    bool m_enteredByClick = false;  // the focus came with a mouse press still to arrive
    bool m_pressKept = false;       // that press was kept from the field
    bool m_clamped = false;         // the last edit went above 255
};

IpAddressWidget::IpAddressWidget(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    for (int i = 0; i < kFields; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            row->addWidget(dot);
        }
        fields[size_t(i)] = new IpField(this, i);
        fields[size_t(i)]->setMinimumWidth(1);
        row->addWidget(fields[size_t(i)], 1);
    }
    // Focus given to the control goes to its first field.
    setFocusProxy(fields[0]);
}

// The control is one tab stop, its first field, in the frame's place in the tab
// order (where the window was made or taken over). The frame itself never keeps
// the focus: were it the tab stop, Shift+Tab from the first field would land on
// the frame, whose focus goes straight back to that field.
void IpAddressWidget::showEvent(QShowEvent* e) {
    QFrame::showEvent(e);
    const Qt::FocusPolicy policy = focusPolicy();
    if (policy == Qt::NoFocus) return;  // arranged already
    QWidget* before = this;
    for (IpField* field : fields) {
        QWidget::setTabOrder(before, field);
        before = field;
    }
    setFocusPolicy(Qt::NoFocus);
    fields[0]->setFocusPolicy((policy & Qt::TabFocus) ? Qt::StrongFocus : Qt::ClickFocus);
}

void IpAddressWidget::EnterField(int index, Landing landing) {
    if (index < 0 || index >= kFields) return;
    IpField* field = fields[size_t(index)];
    field->setFocus(Qt::OtherFocusReason);
    switch (landing) {
    case Landing::SelectAll: field->selectAll(); break;
    case Landing::Start: field->setCursorPosition(0); break;
    case Landing::End: field->setCursorPosition(int(field->text().size())); break;
    }
}

void IpAddressWidget::mousePressEvent(QMouseEvent* e) {
    int nearest = 0;
    int best = INT_MAX;
    const int x = int(e->position().x());
    for (int i = 0; i < kFields; ++i) {
        const QRect r = fields[size_t(i)]->geometry();
        const int distance = x < r.left() ? r.left() - x : x > r.right() ? x - r.right() : 0;
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    EnterField(nearest, Landing::SelectAll);
    e->accept();
}

void IpAddressWidget::SetAddress(DWORD host) {
    for (int i = 0; i < kFields; ++i) fields[size_t(i)]->setText(QString::number((host >> (24 - 8 * i)) & 0xFF));
}

int IpAddressWidget::GetAddress(DWORD* host) const {
    DWORD value = 0;
    int filled = 0;
    for (int i = 0; i < kFields; ++i) {
        const QString text = fields[size_t(i)]->text();
        DWORD part = 0;
        if (!text.isEmpty()) {
            ++filled;
            part = DWORD(std::min(text.toInt(), kHighest));
        }
        value = (value << 8) | part;
    }
    if (host) *host = value;
    return filled;
}

void IpAddressWidget::Clear() {
    for (IpField* f : fields) f->clear();
}

bool IpAddressWidget::IsBlank() const {
    for (IpField* f : fields)
        if (!f->text().isEmpty()) return false;
    return true;
}

}  // namespace

CIPAddressCtrl::CIPAddressCtrl() = default;

CIPAddressCtrl::~CIPAddressCtrl() {
    if (m_hWnd) DestroyWindow();
}

QWidget* CIPAddressCtrl::CreateWidget(QWidget* parentWidget, bool) {
    return new IpAddressWidget(parentWidget);
}

LRESULT CIPAddressCtrl::ClassWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* face = dynamic_cast<IpAddressWidget*>(Widget());
    if (!face) return CWnd::ClassWindowProc(message, wParam, lParam);
    switch (message) {
    case IPM_CLEARADDRESS:
        face->Clear();
        return 0;
    case IPM_SETADDRESS:
        face->SetAddress(DWORD(lParam));
        return TRUE;
    case IPM_GETADDRESS:
        return face->GetAddress(reinterpret_cast<DWORD*>(lParam));
    case IPM_SETFOCUS:
        face->EnterField(wParam >= WPARAM(kFields) ? 0 : int(wParam), Landing::SelectAll);
        return 0;
    case IPM_ISBLANK:
        return face->IsBlank();
    default:
        return CWnd::ClassWindowProc(message, wParam, lParam);
    }
}

namespace platform {

void RegisterIpAddressClass() {
    RegisterControlClass(u"SysIPAddress32",
                         [](const DialogItemTemplate&) { return std::make_unique<CIPAddressCtrl>(); });
}

}  // namespace platform
