#include "windows/calculator_window.h"

#include <string>
#include <string_view>

#include "ephemeris/request_desk.h"

namespace corvina::win32 {
namespace {

constexpr wchar_t kClassName[] = L"Corvina";
constexpr int kMargin = 12, kLineHeight = 20, kWidth = 420;

// An answer that the asking window has not taken within this time is given up (the window hangs). No quicker
// "hung" test: the system counts a thread as hung when it has not fetched a message for a while, and the card index's
// thread, waiting in SendMessage for this very answer, may look so.
constexpr UINT kDeliveryTimeoutMs = 5000;

std::wstring toWide(std::string_view gbk) {
    if (gbk.empty())
        return {};
    const int length = ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), length);
    return wide;
}

// A request's text as the bytes that were sent: requests are ASCII, and any other character, which no readable
// request holds, becomes a byte that the reader refuses.
std::string requestBytes(const wchar_t* text) {
    std::string bytes;
    for (const wchar_t* p = text; p != nullptr && *p != L'\0' && bytes.size() < 4096; ++p)
        bytes += (*p < 0x80) ? static_cast<char>(*p) : '\x80';
    return bytes;
}

Delivery deliverAnswer(HWND from, const std::string& windowClass, const std::string& answer) {
    const HWND target = ::FindWindowA(windowClass.c_str(), nullptr);
    if (target == nullptr)
        return Delivery::NoWindow;
    COPYDATASTRUCT data{0, static_cast<DWORD>(answer.size()), const_cast<char*>(answer.data())};
    DWORD_PTR result = 0;
    const LRESULT sent =
        ::SendMessageTimeoutW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&data),
                              SMTO_NORMAL, kDeliveryTimeoutMs, &result);
    return sent != 0 ? Delivery::Sent : Delivery::Failed;
}

class CalculatorWindow {
  public:
    CalculatorWindow()
        : desk_([this](const std::string& windowClass, const std::string& answer) {
              return deliverAnswer(window_, windowClass, answer);
          }) {}

    ~CalculatorWindow() {
        if (font_ != nullptr)
            ::DeleteObject(font_);
    }

    bool create(HINSTANCE instance, int show) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &CalculatorWindow::procedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        if (::RegisterClassExW(&windowClass) == 0)
            return false;
        RECT frame{0, 0, kWidth, kMargin * 2 + kLineHeight * 16};
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        ::AdjustWindowRect(&frame, style, FALSE);
        // At the right edge of the desktop, where it stays beside the card index rather than under it.
        RECT desktop{0, 0, 1024, 768};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &desktop, 0);
        const int width = frame.right - frame.left;
        const int x = desktop.right - width - kMargin > desktop.left ? desktop.right - width - kMargin : desktop.left;
        // The caption is given here, once: every later WM_SETTEXT to this window is a request.
        window_ = ::CreateWindowExW(0, kClassName, L"Corvina 星位计算器", style, x, desktop.top + kMargin, width,
                                    frame.bottom - frame.top, nullptr, nullptr, instance, this);
        if (window_ == nullptr)
            return false;
        ::ShowWindow(window_, show);
        return true;
    }

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<CalculatorWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<CalculatorWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr) {
            LRESULT result = 0;
            if (self->handle(message, wParam, lParam, result))
                return result;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        switch (message) {
            case WM_CREATE:
                makeControls();
                return true;
            case WM_SETTEXT:
                // A request. The answer goes out before this returns, so the asking window has it when its own
                // SendMessage comes back.
                result = desk_.take(requestBytes(reinterpret_cast<const wchar_t*>(lParam))) ? TRUE : FALSE;
                show();
                return true;
            case WM_CTLCOLORSTATIC:
                if (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kProblemId) {
                    const HDC dc = reinterpret_cast<HDC>(wParam);
                    ::SetTextColor(dc, RGB(176, 0, 0));
                    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
                    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
                    return true;
                }
                return false;
            case WM_DESTROY:
                ::PostQuitMessage(0);
                return true;
            default:
                return false;
        }
    }

    HWND label(int id, int x, int y, int width, const wchar_t* text = L"") {
        const HWND control = ::CreateWindowExW(
            0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, x, y, width,
            kLineHeight - 2, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    }

    void makeControls() {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_ = ::CreateFontIndirectW(&metrics.lfMessageFont);
        const int inner = kWidth - 2 * kMargin;
        int y = kMargin;
        label(kRequestId, kMargin, y, inner, L"等待请求……");
        y += kLineHeight;
        label(kMomentId, kMargin, y, inner);
        y += kLineHeight;
        label(kPlaceId, kMargin, y, inner);
        y += kLineHeight + kLineHeight / 2;
        // Beside the planets, the houses of a request with a place: the system, then the ascendant and midheaven.
        const int beside = kMargin + 232;
        label(kHouseSystemId, beside, y, kWidth - kMargin - beside);
        for (int a = 0; a < 2; ++a) {
            const int row = y + (a + 1) * kLineHeight;
            label(kAngleId + 3 * a, beside, row, 36);
            label(kAngleId + 3 * a + 1, beside + 40, row, 36);
            label(kAngleId + 3 * a + 2, beside + 80, row, 64);
        }
        for (int p = 0; p < kPlanetCount; ++p, y += kLineHeight) {
            label(kPlanetId + 3 * p, kMargin + 16, y, 64);
            label(kPlanetId + 3 * p + 1, kMargin + 88, y, 48);
            label(kPlanetId + 3 * p + 2, kMargin + 140, y, 80);
        }
        y += kLineHeight / 2;
        label(kProblemId, kMargin, y, inner);
        y += kLineHeight;
        label(kCountId, kMargin, y, inner, L"已应答 0 次");
    }

    void setText(int id, const std::string& gbk) { ::SetDlgItemTextW(window_, id, toWide(gbk).c_str()); }

    void showPosition(int firstId, const PlanetShown& shown) {
        setText(firstId, shown.name);
        setText(firstId + 1, shown.sign);
        setText(firstId + 2, shown.position);
    }

    void show() {
        const DeskView& view = desk_.view();
        setText(kRequestId, "请求：" + view.request);
        setText(kMomentId, view.moment);
        setText(kPlaceId, view.place);
        for (int p = 0; p < kPlanetCount; ++p)
            showPosition(kPlanetId + 3 * p, view.planets[static_cast<std::size_t>(p)]);
        setText(kHouseSystemId, view.houseSystem);
        for (int a = 0; a < 2; ++a)
            showPosition(kAngleId + 3 * a, view.angles[static_cast<std::size_t>(a)]);
        setText(kProblemId, view.problem);
        setText(kCountId, "已应答 " + std::to_string(view.answersSent) + " 次");
    }

    RequestDesk desk_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
};

}  // namespace

int runCalculatorWindow(HINSTANCE instance, int show) {
    if (const HWND open = ::FindWindowW(kClassName, nullptr)) {
        ::ShowWindow(open, SW_RESTORE);
        ::SetForegroundWindow(open);
        return 0;
    }
    CalculatorWindow window;
    if (!window.create(instance, show))
        return 1;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace corvina::win32
