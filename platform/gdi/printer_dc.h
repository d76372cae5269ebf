// Printing: the printer device context and the print job's page information.
//
// A printer context draws each page on an image of the printer's page size
// (HORZRES x VERTRES device pixels, white at StartPage). A PDF printer sends
// every finished page to Qt's PDF writer (one PDF page per page, A4 portrait
// at the chosen resolution); an image printer keeps the pages as images, with
// the device values it was given, for tests and previews. GetDeviceCaps answers
// the printer's values; IsPrinting is TRUE.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/dc.h"

// The print job's page information, handed to the printing operations.
struct CPrintInfo {
    UINT m_nCurPage = 1;            // the page being printed, from 1
    BOOL m_bContinuePrinting = TRUE;
    BOOL m_bPreview = FALSE;
    CRect m_rectDraw;               // usable page area, logical units
    void* m_lpUserData = nullptr;

    void SetMinPage(UINT page) { m_nMinPage = page; }
    void SetMaxPage(UINT page) { m_nMaxPage = page; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }
    UINT GetFromPage() const { return m_nMinPage; }
    UINT GetToPage() const { return m_nMaxPage; }

private:
    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
};

// The device values of a printer.
struct PrinterCaps {
    int horzRes = 1240;      // HORZRES: page width in device pixels
    int vertRes = 1754;      // VERTRES
    int logPixelsX = 150;    // LOGPIXELSX: device pixels per inch
    int logPixelsY = 150;    // LOGPIXELSY
    int numColors = -1;      // NUMCOLORS: -1 for more than 256
};

struct DOCINFOW {
    int cbSize = sizeof(DOCINFOW);
    LPCWSTR lpszDocName = nullptr;
    LPCWSTR lpszOutput = nullptr;
};

struct PrinterJob;

class CPrinterDC : public CDC {
public:
    CPrinterDC();
    ~CPrinterDC() override;

    // A printer that keeps its pages as images; the values are used as given
    // (zero or negative sizes too: such a page has no pixels to draw on).
    BOOL CreateImagePrinter(const PrinterCaps& caps);
    // A printer that writes a PDF file at `path`: A4 portrait at `dpi` device
    // pixels per inch (HORZRES and VERTRES follow from them). FALSE when the dpi
    // is not from 30 to 1200.
    BOOL CreatePdfPrinter(const std::u16string& path, int dpi = 150);

    // The print job, as the platform's: each returns a value above 0 on success,
    // SP_ERROR (-1) when called out of order or when the output cannot be written.
    int StartDoc(LPCWSTR docName);
    int StartDoc(const DOCINFOW* info) { return StartDoc(info ? info->lpszDocName : nullptr); }
    int StartPage();
    int EndPage();
    int EndDoc();
    int AbortDoc();

    // Pages finished so far.
    int GetPageCount() const;

    // Layer internals: the job's state (printer_dc_impl.h).
    PrinterJob* Job() const { return m_job.get(); }

private:
    std::unique_ptr<PrinterJob> m_job;
};

constexpr int SP_ERROR = -1;
