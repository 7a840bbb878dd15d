#include "ui/qt/qt_chart_window.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <type_traits>

#include "ui/qt/gbk_text.h"
#include "ui/qt/qt_window.h"

namespace ui::qt {
namespace {

constexpr int kStartWidth = 560;
constexpr int kSmallestWidth = 320;
constexpr int kSmallestHeight = 360;

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

QtChartWindow::QtChartWindow(QWidget* form) : QWidget(form, Qt::Window) {
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
