// The link's status lamp: red and lit when the link is closed, green on the
// owner's say-so, a green flash on data that ends unlit, and its lifetime.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/quor_sock.h"
#include "controls/led.h"
#include "controls/quor_text.h"
#include "platform/runtime/app.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/pixel_harness.h"
#include "tests/support/recording_wnd.h"

namespace {

constexpr COLORREF kRedEdge = 0x0000FF, kRedCentre = 0xBCBCFF;
constexpr COLORREF kGreenEdge = 0x008000, kGreenCentre = 0x00FF00;
constexpr COLORREF kOffCentre = 0xC0C0C0;
// The centre point of the server lamp's gradient in its 42 x 60 window.
constexpr POINT kCentre{15, 31};

// The main window's part: a visible owner that records link events and holds
// the server link with its lamp placed as the layout places it.
struct LampOwner {
    MessageLog log;
    RecordingWnd wnd{"owner", &log};
    std::unique_ptr<CQuorSock> link = std::make_unique<CQuorSock>();

    LampOwner() {
        EXPECT_TRUE(wnd.CreateEx(0, nullptr, u"owner", WS_POPUP, CRect(0, 0, 120, 100), nullptr, 0));
        wnd.logOnly = {WM_SOCK_EVENT};
        wnd.ShowWindow(SW_SHOW);
        link->m_nLinkId = 100;
        EXPECT_TRUE(link->Create(&wnd));
        log.clear();
    }
    CLed* Attach(BOOL lampColours = TRUE) {
        link->AttachLamp(&wnd, u"Server");
        link->m_bLampColors = lampColours;
        CLed* lamp = link->m_pLamp;
        if (lamp) lamp->Reposition(CRect(40, 20, 82, 80));
        return lamp;
    }
    bool Lit() const { return link->m_pLamp && (link->m_pLamp->m_dwFlags & CLed::kLit); }
    COLORREF CentreShown() { return SnapWindow(link->m_pLamp)->Pixel(kCentre.x, kCentre.y); }
    int Count(LPARAM event) const {
        int n = 0;
        for (const auto& m : log) n += m.message == WM_SOCK_EVENT && m.lParam == event;
        return n;
    }
};

std::u16string U16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TEST(QuorSockLamp, AttachedLampIsTheServerLamp) {
    LampOwner o;
    CLed* lamp = o.Attach();
    ASSERT_NE(lamp, nullptr);
    EXPECT_TRUE(o.link->m_bLampAttached);
    EXPECT_EQ(lamp->GetParent(), &o.wnd);
    EXPECT_EQ(lamp->GetDlgCtrlID(), 10000);
    EXPECT_EQ(lamp->GetWindowText(), u"Server");
    EXPECT_TRUE(lamp->IsWindowVisible());
    EXPECT_TRUE(lamp->m_dwFlags & CLed::kInitialised);
    EXPECT_TRUE(lamp->m_dwFlags & CLed::kCaptioned);
    EXPECT_EQ(lamp->m_fLampScale, 0.5f);
    EXPECT_FALSE(o.Lit());
    EXPECT_TRUE(ColourNear(SnapWindow(lamp)->Image(), kCentre.x, kCentre.y, kOffCentre, 3));
}

TEST(QuorSockLamp, CloseLinkWithoutSocketTurnsTheLampRedAndLit) {
    LampOwner o;
    o.Attach();
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);
    EXPECT_TRUE(ColourNear(SnapWindow(o.link->m_pLamp)->Image(), kCentre.x, kCentre.y, kGreenCentre, 3));
    ASSERT_EQ(o.link->m_pSocket, nullptr);
    o.link->CloseLink();
    EXPECT_TRUE(o.Lit());
    EXPECT_EQ(o.link->m_pLamp->m_crOnEdge, kRedEdge);
    EXPECT_EQ(o.link->m_pLamp->m_crOnCenter, kRedCentre);
    EXPECT_TRUE(ColourNear(SnapWindow(o.link->m_pLamp)->Image(), kCentre.x, kCentre.y, kRedCentre, 3));
    // Whether or not the owner allowed colour changes, and without an event.
    o.link->m_bLampColors = FALSE;
    o.link->m_pLamp->Off();
    o.link->CloseLink();
    EXPECT_TRUE(o.Lit());
    EXPECT_TRUE(o.log.empty());
}

TEST(QuorSockLamp, DataFlashEndsUnlitUntilTheNextColoursOrClose) {
    LoopbackListener listener("127.0.4.9");
    LampOwner o;
    o.Attach();
    // The main window's handler: green on connect.
    o.wnd.handlers[WM_SOCK_EVENT] = [&](WPARAM, LPARAM event) -> LRESULT {
        if (event == LINK_CONNECTED) o.link->SetLinkColors(kGreenEdge, kGreenCentre);
        return 1;
    };
    o.link->ConnectHost(U16(listener.address()), listener.port());
    ASSERT_TRUE(platform::PumpUntil([&] { return o.Count(LINK_CONNECTED) == 1; }, 5000));
    PeerSocket peer = listener.Accept(5000);
    ASSERT_TRUE(peer.valid());
    EXPECT_TRUE(o.Lit());
    EXPECT_EQ(o.CentreShown(), kGreenCentre);

    ASSERT_TRUE(peer.Send("ack"));
    ASSERT_TRUE(platform::PumpUntil([&] { return o.Count(LINK_DATA) == 1; }, 5000));
    EXPECT_TRUE(o.Lit());
    EXPECT_EQ(o.link->m_pLamp->m_crOnCenter, kGreenCentre);
    ASSERT_TRUE(platform::PumpUntil([&] { return !o.Lit(); }, 3000));
    EXPECT_TRUE(ColourNear(SnapWindow(o.link->m_pLamp)->Image(), kCentre.x, kCentre.y, kOffCentre, 3));
    // More data flashes it again, and it goes out again.
    ASSERT_TRUE(peer.Send("ack"));
    ASSERT_TRUE(platform::PumpUntil([&] { return o.Count(LINK_DATA) == 2; }, 5000));
    ASSERT_TRUE(platform::PumpUntil([&] { return !o.Lit(); }, 3000));
    // Lit again only by the owner's colours or by a close.
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);
    EXPECT_TRUE(o.Lit());
    EXPECT_TRUE(ColourNear(SnapWindow(o.link->m_pLamp)->Image(), kCentre.x, kCentre.y, kGreenCentre, 3));
    o.link->m_pLamp->Off();
    o.link->CloseLink();
    EXPECT_TRUE(o.Lit());
    EXPECT_TRUE(ColourNear(SnapWindow(o.link->m_pLamp)->Image(), kCentre.x, kCentre.y, kRedCentre, 3));
}

TEST(QuorSockLamp, SetLinkColorsNeedsTheOwnersPermission) {
    LampOwner o;
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);  // no lamp: nothing
    EXPECT_EQ(o.link->m_pLamp, nullptr);
    o.Attach(FALSE);
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);
    EXPECT_FALSE(o.Lit());
    EXPECT_EQ(o.link->m_pLamp->m_crOnEdge, kRedEdge);
    o.link->m_bLampColors = TRUE;
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);
    EXPECT_TRUE(o.Lit());
    EXPECT_EQ(o.link->m_pLamp->m_crOnEdge, kGreenEdge);
    EXPECT_EQ(o.CentreShown(), kGreenCentre);
}

TEST(QuorSockLamp, ColoursChangeOnlyOnAnInitialisedLamp) {
    LampOwner o;
    CLed* lamp = o.Attach();
    lamp->m_dwFlags &= ~CLed::kInitialised;
    o.link->SetLinkColors(kGreenEdge, kGreenCentre);
    o.link->CloseLink();
    EXPECT_EQ(lamp->m_crOnEdge, kRedEdge);  // still Init's colours
    EXPECT_EQ(lamp->m_crOnCenter, kRedCentre);
    EXPECT_FALSE(o.Lit());  // and On does nothing on it either
}

TEST(QuorSockLamp, AttachingAgainReplacesTheLamp) {
    LampOwner o;
    CLed* first = o.Attach();
    const HWND firstWindow = first->m_hWnd;
    CLed* second = o.Attach();
    EXPECT_FALSE(IsWindow(firstWindow));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(IsWindow(second->m_hWnd));
    int lamps = 0;
    for (CWnd* child : o.wnd.GetChildren()) lamps += dynamic_cast<CLed*>(child) != nullptr;
    EXPECT_EQ(lamps, 1);
}

TEST(QuorSockLamp, DestroyingTheLinkDestroysTheLamp) {
    LampOwner o;
    CLed* lamp = o.Attach();
    const HWND lampWindow = lamp->m_hWnd;
    const HWND captionWindow = lamp->m_pCaption->m_hWnd;
    o.link.reset();
    EXPECT_FALSE(IsWindow(lampWindow));
    EXPECT_FALSE(IsWindow(captionWindow));
    EXPECT_TRUE(o.wnd.GetChildren().empty());
    EXPECT_TRUE(o.log.empty());
}
