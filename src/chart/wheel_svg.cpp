#include "chart/wheel_svg.h"

#include "util/format.h"
#include "util/text_codec.h"

namespace chart {

namespace {

std::string number(double value) {
    std::string text = util::format("%.2f", value);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string colour(Color c) {
    return util::format("#%02x%02x%02x", c.r, c.g, c.b);
}

// A GBK text as XML character data: UTF-8, the five markup characters escaped, and the control characters XML does
// not allow left out. Bytes that are not GBK become '?'.
std::string xmlText(std::string_view gbk) {
    const std::string utf8 = util::gbkToUtf8(gbk, true).value_or(std::string());
    std::string out;
    out.reserve(utf8.size());
    for (char ch : utf8) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (byte >= 0x20 || ch == '\t' || ch == '\n' || ch == '\r')
                    out += ch;
                break;
        }
    }
    return out;
}

std::string strokeAttributes(const Stroke& stroke) {
    std::string out = " stroke=\"" + colour(stroke.color) + "\" stroke-width=\"" + number(stroke.width) + "\"";
    if (!stroke.dashes.empty()) {
        out += " stroke-dasharray=\"";
        for (std::size_t i = 0; i < stroke.dashes.size(); ++i) {
            if (i > 0)
                out += ' ';
            out += number(stroke.dashes[i]);
        }
        out += "\"";
    }
    return out;
}

struct ShapeWriter {
    std::string& out;

    void operator()(const PolygonShape& shape) const {
        out += "<polygon points=\"";
        for (std::size_t i = 0; i < shape.points.size(); ++i) {
            if (i > 0)
                out += ' ';
            out += number(shape.points[i].x);
            out += ',';
            out += number(shape.points[i].y);
        }
        out += "\" fill=\"" + colour(shape.fill) + "\"/>\n";
    }
    void operator()(const CircleShape& shape) const {
        out += "<circle cx=\"" + number(shape.center.x) + "\" cy=\"" + number(shape.center.y) + "\" r=\"" +
               number(shape.radius) + "\" fill=\"" + (shape.filled ? colour(shape.fill) : "none") + "\"" +
               strokeAttributes(shape.stroke) + "/>\n";
    }
    void operator()(const LineShape& shape) const {
        out += "<line x1=\"" + number(shape.from.x) + "\" y1=\"" + number(shape.from.y) + "\" x2=\"" +
               number(shape.to.x) + "\" y2=\"" + number(shape.to.y) + "\"" + strokeAttributes(shape.stroke) +
               " stroke-linecap=\"round\"/>\n";
    }
    void operator()(const TextShape& shape) const {
        const char* anchor = shape.anchor == TextAnchor::Start ? "start"
                             : shape.anchor == TextAnchor::End ? "end"
                                                               : "middle";
        out += "<text x=\"" + number(shape.baseline.x) + "\" y=\"" + number(shape.baseline.y) + "\" font-size=\"" +
               number(shape.size) + "\" fill=\"" + colour(shape.color) + "\" text-anchor=\"" + anchor + "\">" +
               xmlText(shape.text) + "</text>\n";
    }
};

}  // namespace

std::string wheelSvg(const WheelPicture& picture, std::string_view title) {
    const std::string w = number(picture.width);
    const std::string h = number(picture.height);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h + "\" font-family=\"" + kWheelFontFamilies + "\">\n";
    if (!title.empty())
        out += "<title>" + xmlText(title) + "</title>\n";
    out += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
    const ShapeWriter writer{out};
    for (const Shape& shape : picture.shapes)
        std::visit(writer, shape);
    out += "</svg>\n";
    return out;
}

}  // namespace chart
