#include "ui/win32/chart_window.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "ui/chart_placement.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {

namespace {

constexpr int kMinimumWidth = 320;
constexpr int kMinimumHeight = 360;
constexpr int kStartWidth = 560;

HINSTANCE moduleHandle() {
    return ::GetModuleHandleW(nullptr);
}

int pixels(double value) {
    return static_cast<int>(std::lround(value));
}

ui::Rect rectOf(const RECT& r) {
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
            static_cast<int>(r.bottom - r.top)};
}

COLORREF colorOf(chart::Color c) {
    return RGB(c.r, c.g, c.b);
}

// A GDI object deleted with its holder.
template <typename Handle>
class GdiObject {
  public:
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() {
        if (handle_)
            ::DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    Handle get() const { return handle_; }

  private:
    Handle handle_;
};

// An object selected into a device context for the holder's lifetime.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~Selection() { ::SelectObject(dc_, old_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The first CJK font of this system among those the picture names; without any, the font mapper's choice for the
// Chinese character set.
std::wstring cjkFace(HDC dc) {
    static const wchar_t* const kFaces[] = {L"Microsoft YaHei",     L"SimHei",           L"SimSun",
                                            L"WenQuanYi Micro Hei", L"Noto Sans CJK SC", L"Source Han Sans SC"};
    for (const wchar_t* face : kFaces) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        ::lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        ::EnumFontFamiliesExW(dc, &query, noteFace, reinterpret_cast<LPARAM>(&found), 0);
        if (found)
            return face;
    }
    return L"";
}

HPEN createPen(const chart::Stroke& stroke) {
    LOGBRUSH brush{BS_SOLID, colorOf(stroke.color), 0};
    const DWORD width = static_cast<DWORD>(std::max(1, pixels(stroke.width)));
    if (stroke.dashes.empty())
        return ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &brush, 0, nullptr);
    std::vector<DWORD> styles;
    for (double d : stroke.dashes)
        styles.push_back(static_cast<DWORD>(std::max(1, pixels(d))));
    return ::ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_ROUND, width, &brush,
                          static_cast<DWORD>(styles.size()), styles.data());
}

// Draws the shapes of a picture into a device context.
class PictureDrawer {
  public:
    PictureDrawer(HDC dc, const std::wstring& face) : dc_(dc), face_(face) { ::SetBkMode(dc_, TRANSPARENT); }
    ~PictureDrawer() {
        for (auto& [size, font] : fonts_)
            ::DeleteObject(font);
    }
    PictureDrawer(const PictureDrawer&) = delete;
    PictureDrawer& operator=(const PictureDrawer&) = delete;

    void operator()(const chart::PolygonShape& shape) {
        std::vector<POINT> points;
        for (const chart::Point& p : shape.points)
            points.push_back({pixels(p.x), pixels(p.y)});
        GdiObject<HBRUSH> brush(::CreateSolidBrush(colorOf(shape.fill)));
        Selection pen(dc_, ::GetStockObject(NULL_PEN));
        Selection fill(dc_, brush.get());
        ::Polygon(dc_, points.data(), static_cast<int>(points.size()));
    }
    void operator()(const chart::CircleShape& shape) {
        GdiObject<HPEN> pen(createPen(shape.stroke));
        GdiObject<HBRUSH> brush(shape.filled ? ::CreateSolidBrush(colorOf(shape.fill)) : nullptr);
        Selection withPen(dc_, pen.get());
        Selection withBrush(dc_, shape.filled ? static_cast<HGDIOBJ>(brush.get()) : ::GetStockObject(NULL_BRUSH));
        const chart::Point c = shape.center;
        ::Ellipse(dc_, pixels(c.x - shape.radius), pixels(c.y - shape.radius), pixels(c.x + shape.radius) + 1,
                  pixels(c.y + shape.radius) + 1);
    }
    void operator()(const chart::LineShape& shape) {
        GdiObject<HPEN> pen(createPen(shape.stroke));
        Selection withPen(dc_, pen.get());
        ::MoveToEx(dc_, pixels(shape.from.x), pixels(shape.from.y), nullptr);
        ::LineTo(dc_, pixels(shape.to.x), pixels(shape.to.y));
    }
    void operator()(const chart::TextShape& shape) {
        Selection font(dc_, fontOf(std::max(1, pixels(shape.size))));
        const UINT align = shape.anchor == chart::TextAnchor::Start ? TA_LEFT
                           : shape.anchor == chart::TextAnchor::End ? TA_RIGHT
                                                                    : TA_CENTER;
        ::SetTextAlign(dc_, align | TA_BASELINE);
        ::SetTextColor(dc_, colorOf(shape.color));
        const std::wstring text = toWide(shape.text);
        ::TextOutW(dc_, pixels(shape.baseline.x), pixels(shape.baseline.y), text.c_str(),
                   static_cast<int>(text.size()));
    }

  private:
    HFONT fontOf(int size) {
        auto found = fonts_.find(size);
        if (found != fonts_.end())
            return found->second;
        const HFONT font =
            ::CreateFontW(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face_.c_str());
        fonts_.emplace(size, font);
        return font;
    }

    HDC dc_;
    const std::wstring& face_;
    std::map<int, HFONT> fonts_;
};

}  // namespace

struct ChartWindow::Impl {
    HWND hwnd = nullptr;
    chart::WheelChart chart;
    std::wstring face;
    bool faceChosen = false;

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self) {
            switch (message) {
                case WM_PAINT:
                    self->paint(window);
                    return 0;
                case WM_ERASEBKGND:
                    return 1;  // the whole client area is painted from the buffer
                case WM_SIZE:
                    ::InvalidateRect(window, nullptr, FALSE);
                    return 0;
                case WM_GETMINMAXINFO: {
                    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                    info->ptMinTrackSize = {kMinimumWidth, kMinimumHeight};
                    return 0;
                }
                case WM_KEYDOWN:
                    if (wParam == VK_ESCAPE) {
                        ::DestroyWindow(window);  // Esc closes it, as it closes the form
                        return 0;
                    }
                    break;
                case WM_DESTROY:
                    self->hwnd = nullptr;
                    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                    return 0;
                default:
                    break;
            }
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    static bool registerClass() {
        static const bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.style = CS_HREDRAW | CS_VREDRAW;
            windowClass.lpfnWndProc = proc;
            windowClass.hInstance = moduleHandle();
            windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            windowClass.hbrBackground = nullptr;
            windowClass.lpszClassName = kChartWindowClass;
            windowClass.hIcon = ::LoadIconW(moduleHandle(), MAKEINTRESOURCEW(128));
            return ::RegisterClassExW(&windowClass) != 0;
        }();
        return registered;
    }

    std::wstring caption() const {
        std::wstring text = toWide("星盘");
        const std::wstring title = toWide(chart.title);
        if (!title.empty())
            text += L" - " + title;
        return text;
    }

    void paint(HWND window) {
        PAINTSTRUCT paintInfo;
        const HDC dc = ::BeginPaint(window, &paintInfo);
        RECT client;
        ::GetClientRect(window, &client);
        const int width = std::max(1, static_cast<int>(client.right - client.left));
        const int height = std::max(1, static_cast<int>(client.bottom - client.top));
        if (!faceChosen) {
            face = cjkFace(dc);
            faceChosen = true;
        }
        const HDC buffer = ::CreateCompatibleDC(dc);
        {
            GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, width, height));
            Selection withBitmap(buffer, bitmap.get());
            const RECT all{0, 0, width, height};
            ::FillRect(buffer, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            const chart::WheelPicture picture = chart::drawWheel(chart, width, height);
            {
                PictureDrawer drawer(buffer, face);
                for (const chart::Shape& shape : picture.shapes)
                    std::visit(drawer, shape);
            }
            ::BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
        }
        ::DeleteDC(buffer);
        ::EndPaint(window, &paintInfo);
    }
};

ChartWindow::ChartWindow() : impl_(std::make_unique<Impl>()) {}

ChartWindow::~ChartWindow() {
    if (impl_->hwnd)
        ::DestroyWindow(impl_->hwnd);
}

void ChartWindow::show(HWND owner, const chart::WheelChart& chart) {
    impl_->chart = chart;
    if (impl_->hwnd) {
        ::SetWindowTextW(impl_->hwnd, impl_->caption().c_str());
        ::InvalidateRect(impl_->hwnd, nullptr, FALSE);
        if (::IsIconic(impl_->hwnd))
            ::ShowWindow(impl_->hwnd, SW_RESTORE);
        ::SetForegroundWindow(impl_->hwnd);
        return;
    }
    if (!Impl::registerClass())
        return;
    // The frame round the client area, and the window's size from its client's.
    RECT frameOnly{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frameOnly, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const int across = frameOnly.right - frameOnly.left;
    const int down = frameOnly.bottom - frameOnly.top;
    const ui::ChartWindowSize size{kStartWidth + across, kMinimumWidth, [&](int width) {
                                       const double height = chart::wheelHeightForWidth(chart, width - across);
                                       return std::max(kMinimumHeight, pixels(height) + down);
                                   }};
    // Beside the form where its screen has room, so that it hides none of the form's fields; otherwise over the
    // form's edge, above it (an owned window stays above its owner).
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = size.wantedWidth;
    int height = size.heightForWidth(width);
    RECT ownerRect{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (owner && ::GetWindowRect(owner, &ownerRect) &&
        ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const ui::Rect place = ui::placeChartWindow(rectOf(ownerRect), rectOf(monitor.rcWork), size, 0);
        x = place.x;
        y = place.y;
        width = place.width;
        height = place.height;
    }
    impl_->hwnd = ::CreateWindowExW(0, kChartWindowClass, impl_->caption().c_str(), WS_OVERLAPPEDWINDOW, x, y, width,
                                    height, owner, nullptr, moduleHandle(), impl_.get());
    if (!impl_->hwnd)
        return;
    ::ShowWindow(impl_->hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(impl_->hwnd);
}

void ChartWindow::update(const chart::WheelChart& chart) {
    if (!impl_->hwnd)
        return;
    impl_->chart = chart;
    ::SetWindowTextW(impl_->hwnd, impl_->caption().c_str());
    ::InvalidateRect(impl_->hwnd, nullptr, FALSE);
}

bool ChartWindow::open() const {
    return impl_->hwnd != nullptr;
}

}  // namespace ui::win32
