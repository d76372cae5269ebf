#include "platform/window/ipaddress.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <array>

#include "platform/window/dialog.h"
#include "platform/window/wnd_impl.h"

namespace {

class IpField;

// The Qt face of the control: four fields and the dots between them.
class IpAddressWidget : public QFrame {
public:
    explicit IpAddressWidget(QWidget* parent);
    std::array<IpField*, 4> fields{};

    void FocusField(int index);
    void SetAddress(DWORD host);
    int GetAddress(DWORD* host) const;
    void Clear();
    bool IsBlank() const;
};

class IpField : public QLineEdit {
public:
    IpField(IpAddressWidget* owner, int index) : QLineEdit(owner), m_owner(owner), m_index(index) {
        setFrame(false);
        setAlignment(Qt::AlignCenter);
        setMaxLength(3);
        setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
        // Tab moves between controls, not fields: the control as a whole is the tab stop.
        setFocusPolicy(Qt::ClickFocus);
        connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
            bool ok = false;
            const int value = text.toInt(&ok);
            if (ok && value > 255) setText(QStringLiteral("255"));
            if (this->text().size() == 3 && cursorPosition() == 3 && m_index < 3) m_owner->FocusField(m_index + 1);
        });
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->text() == QStringLiteral(".")) {
            if (!text().isEmpty() && m_index < 3) m_owner->FocusField(m_index + 1);
            return;
        }
        if (e->key() == Qt::Key_Backspace && cursorPosition() == 0 && !hasSelectedText() && m_index > 0) {
            m_owner->FocusField(m_index - 1);
            return;
        }
        if (e->key() == Qt::Key_Left && cursorPosition() == 0 && m_index > 0) {
            m_owner->FocusField(m_index - 1);
            return;
        }
        if (e->key() == Qt::Key_Right && cursorPosition() == text().size() && m_index < 3) {
            m_owner->FocusField(m_index + 1);
            return;
        }
        QLineEdit::keyPressEvent(e);
    }

private:
    IpAddressWidget* m_owner;
    int m_index;
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
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
            row->addWidget(dot);
        }
        fields[size_t(i)] = new IpField(this, i);
        fields[size_t(i)]->setMinimumWidth(1);
        row->addWidget(fields[size_t(i)], 1);
    }
    setFocusProxy(fields[0]);
}

void IpAddressWidget::FocusField(int index) {
    if (index < 0 || index > 3) return;
    fields[size_t(index)]->setFocus(Qt::OtherFocusReason);
    fields[size_t(index)]->selectAll();
}

void IpAddressWidget::SetAddress(DWORD host) {
    for (int i = 0; i < 4; ++i) fields[size_t(i)]->setText(QString::number((host >> (24 - 8 * i)) & 0xFF));
}

int IpAddressWidget::GetAddress(DWORD* host) const {
    DWORD value = 0;
    int filled = 0;
    for (int i = 0; i < 4; ++i) {
        const QString text = fields[size_t(i)]->text();
        DWORD part = 0;
        if (!text.isEmpty()) {
            ++filled;
            part = DWORD(std::min(text.toInt(), 255));
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
        face->FocusField(wParam > 3 ? 0 : int(wParam));
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
