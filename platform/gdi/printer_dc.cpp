#include "platform/gdi/printer_dc.h"

#include <QPageSize>
#include <QPrinter>

#include "platform/gdi/dc_impl.h"
#include "platform/gdi/printer_dc_impl.h"

using platform::detail::kImageFormat;

namespace {

void SetCaps(DCImpl* dc, const PrinterCaps& caps) {
    dc->deviceCaps = {{HORZRES, caps.horzRes},       {VERTRES, caps.vertRes},
                      {LOGPIXELSX, caps.logPixelsX}, {LOGPIXELSY, caps.logPixelsY},
                      {NUMCOLORS, caps.numColors},   {BITSPIXEL, 24},
                      {PLANES, 1}};
}

}  // namespace

CPrinterDC::CPrinterDC() = default;

CPrinterDC::~CPrinterDC() {
    if (m_job && m_job->inDoc) AbortDoc();
    if (m_hDC) m_hDC->DropTarget();
}

BOOL CPrinterDC::CreateImagePrinter(const PrinterCaps& caps) {
    if (m_hDC) return FALSE;
    auto* dc = new DCImpl(DCImpl::kImage);
    dc->printing = true;
    SetCaps(dc, caps);
    m_hDC = m_hAttribDC = dc;
    m_bPrinting = TRUE;
    m_job = std::make_unique<PrinterJob>();
    m_job->caps = caps;
    return TRUE;
}

BOOL CPrinterDC::CreatePdfPrinter(const std::u16string& path, int dpi) {
    if (m_hDC || dpi < 30 || dpi > 1200 || path.empty()) return FALSE;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromUtf16(path.data(), qsizetype(path.size())));
    printer->setResolution(dpi);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setFullPage(true);
    PrinterCaps caps;
    const QRect page = printer->pageLayout().fullRectPixels(dpi);
    caps.horzRes = page.width();
    caps.vertRes = page.height();
    caps.logPixelsX = caps.logPixelsY = dpi;
    if (!CreateImagePrinter(caps)) return FALSE;
    m_job->printer = std::move(printer);
    return TRUE;
}

int CPrinterDC::StartDoc(LPCWSTR docName) {
    if (!m_job || m_job->inDoc) return SP_ERROR;
    if (m_job->printer) {
        if (docName) m_job->printer->setDocName(QString::fromUtf16(docName));
        m_job->pdfPainter = std::make_unique<QPainter>();
        if (!m_job->pdfPainter->begin(m_job->printer.get())) {
            m_job->pdfPainter.reset();
            return SP_ERROR;
        }
    }
    m_job->inDoc = true;
    m_job->pagesDone = 0;
    m_job->pages.clear();
    return 1;
}

int CPrinterDC::StartPage() {
    if (!m_job || !m_job->inDoc || m_job->inPage) return SP_ERROR;
    const QSize size(std::max(0, m_job->caps.horzRes), std::max(0, m_job->caps.vertRes));
    m_hDC->DropTarget();
    m_job->page = size.isEmpty() ? QImage() : QImage(size, kImageFormat);
    if (!m_job->page.isNull()) m_job->page.fill(Qt::white);
    m_hDC->target = &m_job->page;
    // A new page starts with the context's defaults.
    m_hDC->saved.clear();
    m_hDC->state.mapMode = MM_TEXT;
    m_hDC->state.windowOrg = m_hDC->state.viewportOrg = QPoint();
    m_hDC->state.windowExt = m_hDC->state.viewportExt = QSize(1, 1);
    m_hDC->state.clipped = false;
    m_hDC->ClipChanged();
    m_job->inPage = true;
    return 1;
}

int CPrinterDC::EndPage() {
    if (!m_job || !m_job->inPage) return SP_ERROR;
    m_hDC->ReleasePainter();
    m_hDC->target = nullptr;
    m_job->inPage = false;
    if (m_job->pdfPainter) {
        if (m_job->pagesDone > 0 && !m_job->printer->newPage()) return SP_ERROR;
        if (!m_job->page.isNull()) m_job->pdfPainter->drawImage(QPoint(0, 0), m_job->page);
    } else {
        m_job->pages.push_back(m_job->page);
    }
    m_job->page = QImage();
    ++m_job->pagesDone;
    return 1;
}

int CPrinterDC::EndDoc() {
    if (!m_job || !m_job->inDoc) return SP_ERROR;
    if (m_job->inPage) EndPage();
    m_job->inDoc = false;
    if (m_job->pdfPainter) {
        const bool ok = m_job->pdfPainter->end();
        m_job->pdfPainter.reset();
        if (!ok) return SP_ERROR;
    }
    return 1;
}

int CPrinterDC::AbortDoc() {
    if (!m_job || !m_job->inDoc) return SP_ERROR;
    if (m_job->inPage) {
        m_hDC->ReleasePainter();
        m_hDC->target = nullptr;
        m_job->inPage = false;
    }
    m_job->inDoc = false;
    if (m_job->pdfPainter) {
        m_job->pdfPainter->end();
        m_job->pdfPainter.reset();
    }
    return 1;
}

int CPrinterDC::GetPageCount() const { return m_job ? m_job->pagesDone : 0; }

namespace platform::detail {

const QImage* PrinterPage(const CPrinterDC& dc, int index) {
    const PrinterJob* job = dc.Job();
    if (!job || index < 0 || size_t(index) >= job->pages.size()) return nullptr;
    return &job->pages[size_t(index)];
}

}  // namespace platform::detail
