#include "hostgame/game/game_window.h"

#include <array>
#include <stdexcept>

namespace HostGame {

namespace {

constexpr wchar_t kGameWindowClass[] = L"HostGameWindow";
// A thread message that asks the window thread to run its queued jobs.
constexpr UINT kRunJobs = WM_APP + 1;

}  // namespace

LRESULT CALLBACK GameWindow::gameProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* const self = reinterpret_cast<GameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        std::lock_guard lock(self->m_mutex);
        self->m_received.push_back({message, wParam, lParam});
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

GameWindow::GameWindow(int width, int height)
    : m_thread([this, width, height] { pump(width, height); }) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready || m_failed; });
    if (m_failed) {
        lock.unlock();
        m_thread.join();
        throw std::runtime_error("CreateWindowExW failed");
    }
}

GameWindow::~GameWindow() {
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
}

void GameWindow::pump(int width, int height) {
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = gameProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kGameWindowClass;
        return RegisterClassExW(&windowClass);
    }();
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for WM_QUIT
    // Hidden: without a window manager, a shown window costs seconds to destroy.
    const HWND window =
        atom == 0 ? nullptr
                  : CreateWindowExW(0, kGameWindowClass, L"KV9", WS_POPUP, 0, 0, width, height,
                                    nullptr, nullptr, GetModuleHandleW(nullptr), this);
    {
        std::lock_guard lock(m_mutex);
        m_window = window;
        m_threadId = GetCurrentThreadId();
        (window != nullptr ? m_ready : m_failed) = true;
    }
    m_changed.notify_all();
    if (window == nullptr) return;

    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == kRunJobs) {
            runQueuedJobs();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    runQueuedJobs();
    DestroyWindow(window);
}

void GameWindow::runQueuedJobs() {
    for (;;) {
        std::function<void()>* job = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty()) return;
            job = m_jobs.front();
        }
        (*job)();
        {
            std::lock_guard lock(m_mutex);
            m_jobs.pop_front();
        }
        m_changed.notify_all();
    }
}

void GameWindow::runOnWindowThread(const std::function<void()>& job) {
    std::function<void()> queued = job;
    std::unique_lock lock(m_mutex);
    m_jobs.push_back(&queued);
    PostThreadMessageW(m_threadId, kRunJobs, 0, 0);
    m_changed.wait(lock, [&] {
        for (const auto* pending : m_jobs) {
            if (pending == &queued) return false;
        }
        return true;
    });
}

LRESULT GameWindow::send(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    runOnWindowThread([&] { result = SendMessageW(m_window, message, wParam, lParam); });
    return result;
}

LRESULT GameWindow::pressKey(uint8_t virtualKey, bool ctrl) {
    LRESULT result = 0;
    runOnWindowThread([&] {
        std::array<BYTE, 256> keys{};
        GetKeyboardState(keys.data());
        const BYTE ctrlState = ctrl ? 0x80 : 0x00;
        keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrlState;
        keys[virtualKey] = 0x80;
        SetKeyboardState(keys.data());
        const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
        const LPARAM down = 1 | (static_cast<LPARAM>(scanCode) << 16);
        result = SendMessageW(m_window, WM_KEYDOWN, virtualKey, down);
        // A letter without Ctrl types its lower-case character; with Ctrl, its control code.
        if (virtualKey >= 'A' && virtualKey <= 'Z') {
            const WPARAM character = ctrl ? virtualKey - 'A' + 1 : virtualKey - 'A' + 'a';
            SendMessageW(m_window, WM_CHAR, character, down);
        }
        keys[virtualKey] = 0;
        SetKeyboardState(keys.data());
        SendMessageW(m_window, WM_KEYUP, virtualKey, down | (1u << 30) | (1u << 31));
        keys[VK_CONTROL] = keys[VK_LCONTROL] = 0;
        SetKeyboardState(keys.data());
    });
    return result;
}

std::vector<ReceivedMessage> GameWindow::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

int GameWindow::receivedCount(UINT message, WPARAM wParam) const {
    std::lock_guard lock(m_mutex);
    int count = 0;
    for (const ReceivedMessage& received : m_received) {
        count += received.message == message && received.wParam == wParam;
    }
    return count;
}

}  // namespace HostGame
