// A window that logs the messages it handles, for tests of the window layer.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <map>
#include <string>
#include <vector>

#include "platform/window/dialog.h"
#include "platform/window/wnd.h"

struct LoggedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string tag;  // which window
};

using MessageLog = std::vector<LoggedMessage>;

class RecordingWnd : public CWnd {
public:
    RecordingWnd(std::string tag, MessageLog* log) : m_tag(std::move(tag)), m_log(log) {}
    ~RecordingWnd() override { if (m_hWnd) DestroyWindow(); }

    // Messages to log (empty: every message).
    std::vector<UINT> logOnly;
    // Per-message hooks that run before the message is logged as handled.
    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> handlers;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (ShouldLog(message)) m_log->push_back({message, wParam, lParam, m_tag});
        auto it = handlers.find(message);
        if (it != handlers.end()) return it->second(wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }

    bool ShouldLog(UINT message) const {
        if (logOnly.empty()) return true;
        for (UINT m : logOnly)
            if (m == message) return true;
        return false;
    }

private:
    std::string m_tag;
    MessageLog* m_log;
};

inline std::vector<UINT> MessagesOf(const MessageLog& log, const std::string& tag = {}) {
    std::vector<UINT> out;
    for (const auto& m : log)
        if (tag.empty() || m.tag == tag) out.push_back(m.message);
    return out;
}

inline int CountOf(const MessageLog& log, UINT message, const std::string& tag = {}) {
    int n = 0;
    for (const auto& m : log)
        if (m.message == message && (tag.empty() || m.tag == tag)) ++n;
    return n;
}

// A 200 x 100 top-level window that records into `log`; its creation messages
// are dropped from the log, since tests look at what comes after.
inline std::unique_ptr<RecordingWnd> MakeTopLevel(const std::string& tag, MessageLog* log) {
    auto w = std::make_unique<RecordingWnd>(tag, log);
    EXPECT_TRUE(w->CreateEx(0, nullptr, u"test", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0));
    log->clear();
    return w;
}
