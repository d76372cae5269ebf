#include "tests/support/colour_dialog_answer.h"

#include <QApplication>
#include <QColorDialog>
#include <QTimer>

namespace {
bool g_answered = false;
COLORREF g_start = 0;

void TryAnswer(std::optional<COLORREF> colour, int triesLeft) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QColorDialog*>(w);
        if (!dialog || !dialog->isVisible()) continue;
        const QColor start = dialog->currentColor();
        g_start = RGB(start.red(), start.green(), start.blue());
        g_answered = true;
        if (colour) {
            dialog->setCurrentColor(QColor(GetRValue(*colour), GetGValue(*colour), GetBValue(*colour)));
            dialog->accept();
        } else {
            dialog->reject();
        }
        return;
    }
    if (triesLeft > 0) QTimer::singleShot(5, [colour, triesLeft] { TryAnswer(colour, triesLeft - 1); });
}
}  // namespace

void AnswerNextColourDialog(std::optional<COLORREF> colour) {
    g_answered = false;
    QTimer::singleShot(5, [colour] { TryAnswer(colour, 1000); });
}

bool ColourDialogWasAnswered() { return g_answered; }
COLORREF ColourDialogStartColour() { return g_start; }
