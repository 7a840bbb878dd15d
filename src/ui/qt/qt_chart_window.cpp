#include "ui/qt/qt_chart_window.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QScreen>

#include <cmath>
#include <type_traits>

#include "ui/chart_placement.h"
#include "ui/qt/gbk_text.h"
#include "ui/qt/qt_window.h"

namespace ui::qt {
namespace {

constexpr int kStartWidth = 560;
constexpr int kSmallestWidth = 320;
constexpr int kSmallestHeight = 360;
constexpr int kGapToForm = 8;

ui::Rect rectOf(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

QColor colorOf(const chart::Color& c) {
    return QColor(c.r, c.g, c.b);
}

QPen penOf(const chart::Stroke& stroke) {
    QPen pen(colorOf(stroke.color), stroke.width);
    pen.setCapStyle(Qt::FlatCap);
    if (!stroke.dashes.empty() && stroke.width > 0) {
        // Qt counts a dash pattern in pen widths; the picture gives pixels.
        QList<qreal> pattern;
        for (double length : stroke.dashes)
            pattern.append(length / stroke.width);
        if (pattern.size() % 2 != 0)
            pattern.append(pattern.back());
        pen.setDashPattern(pattern);
    }
    return pen;
}

QPointF pointOf(const chart::Point& p) {
    return QPointF(p.x, p.y);
}

class ShapePainter {
  public:
    ShapePainter(QPainter& painter, const QFont& font) : painter_(painter), font_(font) {}

    void operator()(const chart::PolygonShape& shape) {
        QPolygonF polygon;
        for (const chart::Point& p : shape.points)
            polygon.append(pointOf(p));
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(colorOf(shape.fill));
        painter_.drawPolygon(polygon);
    }
    void operator()(const chart::CircleShape& shape) {
        painter_.setPen(shape.stroke.width > 0 ? penOf(shape.stroke) : QPen(Qt::NoPen));
        painter_.setBrush(shape.filled ? QBrush(colorOf(shape.fill)) : QBrush(Qt::NoBrush));
        painter_.drawEllipse(pointOf(shape.center), shape.radius, shape.radius);
    }
    void operator()(const chart::LineShape& shape) {
        painter_.setPen(penOf(shape.stroke));
        painter_.drawLine(pointOf(shape.from), pointOf(shape.to));
    }
    void operator()(const chart::TextShape& shape) {
        QFont font = font_;
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(shape.size))));
        painter_.setFont(font);
        painter_.setPen(colorOf(shape.color));
        const QString text = fromGbk(shape.text);
        const double width = QFontMetricsF(font).horizontalAdvance(text);
        double x = shape.baseline.x;
        if (shape.anchor == chart::TextAnchor::Middle)
            x -= width / 2;
        else if (shape.anchor == chart::TextAnchor::End)
            x -= width;
        painter_.drawText(QPointF(x, shape.baseline.y), text);
    }

  private:
    QPainter& painter_;
    const QFont& font_;
};

}  // namespace

QtChartWindow::QtChartWindow(QWidget* form)
    : QWidget(form, Qt::Window | (form != nullptr ? form->windowFlags() & Qt::WindowStaysOnTopHint : Qt::Widget)),
      form_(form) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(kSmallestWidth, kSmallestHeight);
    resize(kStartWidth, static_cast<int>(std::lround(chart::wheelHeightForWidth(chart_, kStartWidth))));
    if (form != nullptr && !form->windowIcon().isNull())
        setWindowIcon(form->windowIcon());
}

void QtChartWindow::setChart(const chart::WheelChart& chart) {
    chart_ = chart;
    setWindowTitle(fromGbk("星盘 - ") + fromGbk(chart_.title));
    update();
}

void QtChartWindow::placeBesideForm() {
    const QScreen* screen = form_ != nullptr ? form_->screen() : nullptr;
    if (screen == nullptr)
        return;
    // The frames the window system puts round the form's client area, taken to be the same round this one.
    const QRect frame = form_->frameGeometry();
    const QRect client = form_->geometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                           frame.bottom() - client.bottom());
    const int across = margins.left() + margins.right();
    const int down = margins.top() + margins.bottom();
    const ui::ChartWindowSize size{kStartWidth + across, kSmallestWidth + across, [&](int width) {
                                       const double height = chart::wheelHeightForWidth(chart_, width - across);
                                       return std::max(kSmallestHeight, static_cast<int>(std::lround(height))) + down;
                                   }};
    const ui::Rect place = ui::placeChartWindow(rectOf(frame), rectOf(screen->availableGeometry()), size, kGapToForm);
    setGeometry(place.x + margins.left(), place.y + margins.top(), place.width - across, place.height - down);
}

void QtChartWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), Qt::white);
    const chart::WheelPicture picture = chart::drawWheel(chart_, width(), height());
    const QFont font = dialogFont(9);
    ShapePainter draw(painter, font);
    for (const chart::Shape& shape : picture.shapes)
        std::visit(draw, shape);
}

void QtChartWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace ui::qt
