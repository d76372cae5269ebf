// Layer-private state of a printer context (includes Qt; only platform/ and tests use it).
#pragma once

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "platform/gdi/printer_dc.h"

class QPrinter;

struct PrinterJob {
    PrinterCaps caps;
    std::unique_ptr<QPrinter> printer;     // PDF output; null for an image printer
    std::unique_ptr<QPainter> pdfPainter;  // on `printer` between StartDoc and EndDoc
    bool inDoc = false;
    bool inPage = false;
    int pagesDone = 0;
    QImage page;                // the page being drawn
    std::vector<QImage> pages;  // an image printer's finished pages
};

namespace platform::detail {
// The finished page `index` (from 0) of an image printer, or null.
const QImage* PrinterPage(const CPrinterDC& dc, int index);
}  // namespace platform::detail
