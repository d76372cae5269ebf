// Global memory blocks, the clipboard's data source and data object with the
// ownership the layer keeps, dragging a data source, the pointer clip and the
// dialog's focus message.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <cstring>
#include <string>

#include "platform/base/global_memory.h"
#include "platform/window/dialog.h"
#include "platform/ole/droptarget.h"
#include "platform/stdctrl/edit.h"
#include "platform/ole/oledata.h"
#include "tests/support/qt_helpers.h"
#include "tests/support/recording_wnd.h"

namespace {

HGLOBAL Block(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

std::string Bytes(HGLOBAL block) {
    const auto* p = static_cast<const char*>(GlobalLock(block));
    std::string out = p ? std::string(p, GlobalSize(block)) : std::string();
    GlobalUnlock(block);
    return out;
}

// A source that notes when it is deleted.
struct NotedSource : COleDataSource {
    explicit NotedSource(bool* gone, const std::string& text = {}) : gone(gone) {
        if (!text.empty()) CacheGlobalData(CF_TEXT, Block(text));
    }
    ~NotedSource() override { *gone = true; }
    bool* gone;
};

std::string ClipboardBytes() {
    COleDataObject data;
    data.AttachClipboard();
    HGLOBAL block = data.GetGlobalData(CF_TEXT);
    if (!block) return "<none>";
    std::string out = Bytes(block);
    GlobalFree(block);
    return out;
}

}  // namespace

TEST(GlobalMemory, BlocksGrowZeroedAndForeignHandlesAreRefused) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 3);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 3u);
    EXPECT_EQ(Bytes(block), std::string(3, '\0'));
    auto* p = static_cast<char*>(GlobalLock(block));
    std::memcpy(p, "abc", 3);
    EXPECT_TRUE(GlobalUnlock(block) == FALSE) << "the last unlock";
    ASSERT_EQ(GlobalReAlloc(block, 5, GMEM_ZEROINIT), block);
    EXPECT_EQ(Bytes(block), std::string("abc\0\0", 5));
    ASSERT_EQ(GlobalReAlloc(block, 2, 0), block);
    EXPECT_EQ(Bytes(block), "ab");
    EXPECT_EQ(GlobalFree(block), nullptr);

    int notABlock = 0;
    EXPECT_EQ(GlobalSize(&notABlock), 0u);
    EXPECT_EQ(GlobalLock(&notABlock), nullptr);
    EXPECT_EQ(GlobalReAlloc(&notABlock, 4, 0), nullptr);
    EXPECT_EQ(GlobalFree(&notABlock), &notABlock);
}

TEST(GlobalMemory, ASharedFileGrowsInStepsAndHandsOverItsBlock) {
    CSharedFile file(GMEM_MOVEABLE, 16);
    EXPECT_EQ(file.Detach(), nullptr) << "nothing written";
    const std::string first(10, 'x');
    const std::string second(10, 'y');
    ASSERT_TRUE(file.Write(first.data(), UINT(first.size())));
    ASSERT_TRUE(file.Write(second.data(), UINT(second.size())));
    EXPECT_EQ(file.GetLength(), 20u);
    HGLOBAL block = file.Detach();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 32u);  // two steps of 16
    EXPECT_EQ(Bytes(block).substr(0, 20), first + second);
    EXPECT_EQ(file.GetLength(), 0u);
    GlobalFree(block);
}

TEST(Clipboard, ASourceOffersItsExactBytesAndPlainTextAndOwnsTheClipboard) {
    bool gone = false;
    auto* source = new NotedSource(&gone, std::string("one\ttwo\r\n3\0", 11));
    source->SetClipboard();
    EXPECT_EQ(COleDataSource::GetClipboardOwner(), source);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(ClipboardBytes(), std::string("one\ttwo\r\n3\0", 11));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("one\ttwo\r\n3"));

    // A new source takes over; the old one is deleted.
    bool secondGone = false;
    auto* second = new NotedSource(&secondGone, std::string("no terminator"));
    second->SetClipboard();
    EXPECT_TRUE(gone);
    EXPECT_EQ(COleDataSource::GetClipboardOwner(), second);
    EXPECT_EQ(ClipboardBytes(), "no terminator");

    // Another program's text: nobody here owns the clipboard any more.
    QGuiApplication::clipboard()->setText("from elsewhere");
    EXPECT_TRUE(secondGone);
    EXPECT_EQ(COleDataSource::GetClipboardOwner(), nullptr);
    EXPECT_EQ(ClipboardBytes(), std::string("from elsewhere\0", 15));

    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(ClipboardBytes(), "<none>");
}

TEST(Clipboard, FlushingDeletesTheOwnerAndKeepsItsData) {
    bool gone = false;
    auto* source = new NotedSource(&gone, std::string("kept\0", 5));
    source->SetClipboard();
    COleDataSource::FlushClipboard();
    EXPECT_TRUE(gone);
    EXPECT_EQ(COleDataSource::GetClipboardOwner(), nullptr);
    EXPECT_EQ(ClipboardBytes(), std::string("kept\0", 5));
    COleDataSource::FlushClipboard();  // nothing left to flush
}

TEST(Clipboard, ADataObjectOnASourceReadsCopiesAndOnlyTheFormatsCached) {
    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, Block("abc"));
    source.CacheGlobalData(CF_TEXT, Block("replaced"));  // the first block is freed
    COleDataObject data;
    EXPECT_FALSE(data.IsDataAvailable(CF_TEXT)) << "attached to nothing";
    data.Attach(&source);
    EXPECT_TRUE(data.IsDataAvailable(CF_TEXT));
    EXPECT_FALSE(data.IsDataAvailable(CF_UNICODETEXT));
    HGLOBAL copy = data.GetGlobalData(CF_TEXT);
    ASSERT_NE(copy, source.GetCachedData(CF_TEXT));
    EXPECT_EQ(Bytes(copy), "replaced");
    GlobalFree(copy);
    data.Release();
    EXPECT_EQ(data.GetGlobalData(CF_TEXT), nullptr);
}

namespace {

class ReadingTarget : public COleDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) override { return DROPEFFECT_MOVE; }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) override { return DROPEFFECT_MOVE; }
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT, CPoint) override {
        HGLOBAL block = data->GetGlobalData(CF_TEXT);
        if (!block) return FALSE;
        read = Bytes(block);
        GlobalFree(block);
        return TRUE;
    }
    std::string read;
};

}  // namespace

TEST(Clipboard, DraggingASourceCarriesItsBytesToTheTarget) {
    MessageLog log;
    RecordingWnd top("top", &log);
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"drag", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    ReadingTarget target;
    ASSERT_TRUE(target.Register(&top));
    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, Block(std::string("dragged\0", 8)));
    TimedSteps steps({[&] { SendMouseAt(&top, QEvent::MouseMove, 20, 20); },
                      [&] { SendMouseAt(&top, QEvent::MouseButtonRelease, 20, 20, Qt::NoButton); }});
    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_MOVE);
    EXPECT_EQ(target.read, std::string("dragged\0", 8));

    // A target's effect outside the allowed ones is no drop.
    TimedSteps again({[&] { SendMouseAt(&top, QEvent::MouseMove, 20, 20); },
                      [&] { SendMouseAt(&top, QEvent::MouseButtonRelease, 20, 20, Qt::NoButton); }});
    target.read.clear();
    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY), DROPEFFECT_NONE);
    EXPECT_EQ(target.read, "");
}

TEST(PointerClip, MouseMessagesAndTheCursorPositionStayInsideTheClip) {
    MessageLog log;
    RecordingWnd top("top", &log);
    top.logOnly = {WM_MOUSEMOVE, WM_LBUTTONUP};
    ASSERT_TRUE(top.CreateEx(0, nullptr, u"clip", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
    CRect clip(10, 10, 50, 40);
    top.ClientToScreen(&clip);
    ASSERT_TRUE(ClipCursor(&clip));
    RECT got;
    ASSERT_TRUE(GetClipCursor(&got));
    EXPECT_EQ(CRect(got), clip);

    SendMouseAt(&top, QEvent::MouseMove, 120, 5, Qt::NoButton);
    SendMouseAt(&top, QEvent::MouseButtonRelease, 3, 90, Qt::NoButton);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].lParam, MAKELPARAM(49, 10)) << "right and bottom are outside the clip";
    EXPECT_EQ(log[1].lParam, MAKELPARAM(10, 39));

    ASSERT_TRUE(ClipCursor(nullptr));
    EXPECT_FALSE(GetClipCursor(&got));
    SendMouseAt(&top, QEvent::MouseMove, 120, 5, Qt::NoButton);
    EXPECT_EQ(log.back().lParam, MAKELPARAM(120, 5));
}

namespace {
constexpr UINT kFocusDialogId = 9077;
}  // namespace

TEST(DialogFocus, NextDialogControlMovesForwardBackwardOrToTheNamedControl) {
    DialogTemplate t;
    t.id = kFocusDialogId;
    t.style = WS_POPUP | WS_VISIBLE;
    t.cx = 120;
    t.cy = 80;
    for (UINT i = 0; i < 3; ++i)
        t.items.push_back({u"Edit", u"", 2001 + i, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 5, short(5 + 20 * i), 60, 12});
    platform::RegisterDialogTemplate(t);
    CDialog dialog;
    ASSERT_TRUE(dialog.Create(kFocusDialogId, nullptr));
    CWnd* first = dialog.GetDlgItem(2001);
    CWnd* second = dialog.GetDlgItem(2002);
    CWnd* third = dialog.GetDlgItem(2003);
    ASSERT_TRUE(first && second && third);
    first->SetFocus();
    ASSERT_EQ(CWnd::GetFocus(), first);

    dialog.SendMessage(WM_NEXTDLGCTL, 0, 0);
    EXPECT_EQ(CWnd::GetFocus(), second);
    dialog.SendMessage(WM_NEXTDLGCTL, 1, 0);
    EXPECT_EQ(CWnd::GetFocus(), first);
    dialog.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(third->GetSafeHwnd()), TRUE);
    EXPECT_EQ(CWnd::GetFocus(), third);
    dialog.DestroyWindow();
}
