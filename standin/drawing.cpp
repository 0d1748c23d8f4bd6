// The stand-in CAD's drawing: parsing and writing its text format, outlines, hit tests, extents.
#include "standin/drawing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>

namespace standin {

namespace {

constexpr std::array<std::string_view, 9> kJustifications = {"TL", "TC", "TR", "ML", "MC",
                                                             "MR", "BL", "BC", "BR"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// A word of a drawing line and where it starts, so that a label's text can be taken from the
// original line with its blanks intact.
struct Word {
    std::string_view text;
    size_t offset;
};

std::vector<Word> SplitWords(std::string_view line, size_t maxWords) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size() && words.size() < maxWords) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size()) break;
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        words.push_back({line.substr(start, i - start), start});
    }
    return words;
}

[[noreturn]] void Fail(int lineNumber, const std::string& what) {
    throw FormatError("line " + std::to_string(lineNumber) + ": " + what);
}

double Number(int lineNumber, std::string_view text) {
    double value = 0;
    if (!ParseNumber(text, value)) Fail(lineNumber, "not a number: " + std::string(text));
    return value;
}

Point PointOf(int lineNumber, std::string_view text) {
    Point p;
    if (text.find(',') == std::string_view::npos || !ParsePoint(text, p))
        Fail(lineNumber, "not a point x,y: " + std::string(text));
    return p;
}

Vertex VertexOf(int lineNumber, std::string_view text) {
    std::array<double, 3> values{};
    size_t count = 0;
    while (true) {
        size_t comma = text.find(',');
        if (count == values.size()) Fail(lineNumber, "a vertex is x,y or x,y,bulge");
        values[count++] = Number(lineNumber, text.substr(0, comma));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (count < 2) Fail(lineNumber, "a vertex is x,y or x,y,bulge");
    return {values[0], values[1], values[2]};
}

double Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

double SegmentDistance(Point p, Point a, Point b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return Distance(p, {a.x + t * dx, a.y + t * dy});
}

bool InsidePolygon(Point p, const std::vector<Point>& polygon) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

void AppendArc(std::vector<Point>& out, Point centre, double radius, double from, double sweep,
               double maxAngle) {
    int steps = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / maxAngle)));
    steps = std::min(steps, 4096);
    for (int k = out.empty() ? 0 : 1; k <= steps; ++k) {
        double a = from + sweep * k / steps;
        out.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
    }
}

// One polyline segment from p to q; a bulge makes it an arc of included angle 4·atan(bulge).
void AppendSegment(std::vector<Point>& out, const Vertex& p, const Vertex& q, double maxAngle) {
    if (out.empty()) out.push_back({p.x, p.y});
    double chord = std::hypot(q.x - p.x, q.y - p.y);
    if (p.bulge == 0 || chord == 0) {
        out.push_back({q.x, q.y});
        return;
    }
    double theta = 4 * std::atan(p.bulge);
    double offset = chord / 2 / std::tan(theta / 2);
    Point centre{(p.x + q.x) / 2 - (q.y - p.y) / chord * offset,
                 (p.y + q.y) / 2 + (q.x - p.x) / chord * offset};
    double radius = std::hypot(p.x - centre.x, p.y - centre.y);
    double from = std::atan2(p.y - centre.y, p.x - centre.x);
    AppendArc(out, centre, radius, from, theta, maxAngle);
    out.back() = {q.x, q.y};
}

// The sweep of an ellipse arc: an end below the start lies a turn further.
double EllipseSweep(const Entity& e) {
    double sweep = e.endParameter - e.startParameter;
    if (sweep < 0) sweep += 2 * std::numbers::pi;
    return std::clamp(sweep, 0.0, 2 * std::numbers::pi);
}

// A point of the spline in knot span `span` (knot[span] <= t <= knot[span + 1]), by de Boor's
// algorithm on the weighted control points.
Point SplinePoint(const Entity& e, size_t span, double t) {
    const size_t p = static_cast<size_t>(e.degree);
    std::vector<std::array<double, 3>> d(p + 1);
    for (size_t j = 0; j <= p; ++j) {
        const size_t i = span - p + j;
        const double w = e.weights.empty() ? 1.0 : e.weights[i];
        d[j] = {e.controlPoints[i].x * w, e.controlPoints[i].y * w, w};
    }
    for (size_t r = 1; r <= p; ++r) {
        for (size_t j = p; j >= r; --j) {
            const double left = e.knots[span - p + j], right = e.knots[span + 1 + j - r];
            const double a = right > left ? (t - left) / (right - left) : 0.0;
            for (size_t k = 0; k < 3; ++k) d[j][k] = (1 - a) * d[j - 1][k] + a * d[j][k];
        }
    }
    return {d[p][0] / d[p][2], d[p][1] / d[p][2]};
}

std::vector<double> ClampedUniformKnots(size_t points, int degree) {
    std::vector<double> knots;
    const size_t p = static_cast<size_t>(degree);
    for (size_t k = 0; k < points + p + 1; ++k)
        knots.push_back(static_cast<double>(std::clamp(k, p, points) - p));
    return knots;
}

std::string_view NextLine(std::string_view& text) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        size_t skip = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        text.remove_prefix(end + skip);
    }
    return line;
}

} // namespace

void Extents::Add(Point p) {
    if (empty) {
        min = max = p;
        empty = false;
        return;
    }
    min.x = std::min(min.x, p.x);
    min.y = std::min(min.y, p.y);
    max.x = std::max(max.x, p.x);
    max.y = std::max(max.y, p.y);
}

std::string_view JustificationName(int attachment) {
    return attachment >= 1 && attachment <= 9 ? kJustifications[static_cast<size_t>(attachment - 1)]
                                              : std::string_view("TL");
}

int JustificationFromName(std::string_view name) {
    std::string upper = AsciiUpper(name);
    for (size_t i = 0; i < kJustifications.size(); ++i)
        if (upper == kJustifications[i]) return static_cast<int>(i) + 1;
    return 0;
}

std::string FormatNumber(double value) {
    if (value == 0) value = 0; // no "-0"
    std::array<char, 64> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

bool ParseNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty()) return false;
    double parsed = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool ParsePoint(std::string_view text, Point& point) {
    size_t first = text.find(',');
    if (first == std::string_view::npos) return false;
    std::string_view rest = text.substr(first + 1);
    size_t second = rest.find(',');
    double x = 0, y = 0, z = 0;
    if (!ParseNumber(Trim(text.substr(0, first)), x)) return false;
    if (!ParseNumber(Trim(rest.substr(0, second)), y)) return false;
    if (second != std::string_view::npos && !ParseNumber(Trim(rest.substr(second + 1)), z)) return false;
    point = {x, y};
    return true;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

Drawing Drawing::Parse(std::string_view text) {
    Drawing drawing;
    int lineNumber = 0;
    std::string layer = "0";
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        ++lineNumber;
        std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        std::vector<Word> words = SplitWords(line, std::string_view::npos);
        std::string keyword = AsciiUpper(words[0].text);
        auto need = [&](size_t n) {
            if (words.size() != n) Fail(lineNumber, keyword + " takes " + std::to_string(n - 1) + " values");
        };
        Entity e;
        e.layer = layer;
        if (keyword == "LAYER") {
            need(2);
            layer = std::string(words[1].text);
            continue;
        }
        if (keyword == "LINE") {
            need(3);
            e.kind = EntityKind::Line;
            e.start = PointOf(lineNumber, words[1].text);
            e.end = PointOf(lineNumber, words[2].text);
        } else if (keyword == "ARC" || keyword == "CIRCLE") {
            bool arc = keyword == "ARC";
            need(arc ? 5 : 3);
            e.kind = arc ? EntityKind::Arc : EntityKind::Circle;
            e.centre = PointOf(lineNumber, words[1].text);
            e.radius = Number(lineNumber, words[2].text);
            if (!(e.radius > 0)) Fail(lineNumber, "the radius must be positive");
            if (arc) {
                e.startAngle = Number(lineNumber, words[3].text);
                e.endAngle = Number(lineNumber, words[4].text);
            }
        } else if (keyword == "LWPOLYLINE" || keyword == "POLYLINE") {
            e.kind = keyword == "POLYLINE" ? EntityKind::Polyline : EntityKind::LwPolyline;
            size_t first = 1;
            if (words.size() > first && AsciiUpper(words[first].text) == "CLOSED") {
                e.closed = true;
                ++first;
            }
            if (words.size() > first && AsciiUpper(words[first].text) == "MIRRORED") {
                e.mirrored = true;
                ++first;
            }
            for (size_t i = first; i < words.size(); ++i) e.vertices.push_back(VertexOf(lineNumber, words[i].text));
            if (e.vertices.size() < 2) Fail(lineNumber, keyword + " needs two vertices or more");
        } else if (keyword == "ELLIPSE") {
            need(6);
            e.kind = EntityKind::Ellipse;
            e.centre = PointOf(lineNumber, words[1].text);
            e.majorAxis = PointOf(lineNumber, words[2].text);
            e.ratio = Number(lineNumber, words[3].text);
            e.startParameter = Number(lineNumber, words[4].text);
            e.endParameter = Number(lineNumber, words[5].text);
            if (!(e.ratio > 0 && e.ratio <= 1)) Fail(lineNumber, "the ratio must be above 0 and at most 1");
            if (e.majorAxis == Point{}) Fail(lineNumber, "the major axis must not be 0,0");
        } else if (keyword == "SPLINE") {
            if (words.size() < 2) Fail(lineNumber, "SPLINE takes a degree and control points");
            e.kind = EntityKind::Spline;
            const double degree = Number(lineNumber, words[1].text);
            if (!(degree >= 1 && degree <= 11 && degree == std::floor(degree))) Fail(lineNumber, "the degree must be 1 to 11");
            e.degree = static_cast<int>(degree);
            size_t i = 2;
            std::vector<double> weights;
            bool weighted = false;
            for (; i < words.size() && AsciiUpper(words[i].text) != "KNOTS"; ++i) {
                const Vertex v = VertexOf(lineNumber, words[i].text);
                const bool hasWeight = std::count(words[i].text.begin(), words[i].text.end(), ',') == 2;
                if (hasWeight && !(v.bulge > 0)) Fail(lineNumber, "a weight must be positive");
                e.controlPoints.push_back({v.x, v.y});
                weights.push_back(hasWeight ? v.bulge : 1.0);
                weighted = weighted || hasWeight;
            }
            if (weighted) e.weights = weights;
            const size_t n = e.controlPoints.size();
            if (n < static_cast<size_t>(e.degree) + 1) Fail(lineNumber, "SPLINE needs degree + 1 control points or more");
            if (i == words.size()) {
                e.knots = ClampedUniformKnots(n, e.degree);
            } else {
                for (++i; i < words.size(); ++i) e.knots.push_back(Number(lineNumber, words[i].text));
                if (e.knots.size() != n + static_cast<size_t>(e.degree) + 1 || !std::is_sorted(e.knots.begin(), e.knots.end()) ||
                    !(e.knots[static_cast<size_t>(e.degree)] < e.knots[n]))
                    Fail(lineNumber, "SPLINE needs control points + degree + 1 knots, in order");
            }
        } else if (keyword == "MTEXT") {
            words = SplitWords(line, 6);
            if (words.size() < 6) Fail(lineNumber, "MTEXT takes x,y height width just rotation text");
            e.kind = EntityKind::Mtext;
            e.position = PointOf(lineNumber, words[1].text);
            e.height = Number(lineNumber, words[2].text);
            e.width = Number(lineNumber, words[3].text);
            e.attachment = JustificationFromName(words[4].text);
            if (e.attachment == 0) Fail(lineNumber, "unknown justification " + std::string(words[4].text));
            e.rotation = Number(lineNumber, words[5].text);
            size_t textStart = words[5].offset + words[5].text.size() + 1;
            if (textStart < line.size()) e.text = std::string(line.substr(textStart));
        } else {
            Fail(lineNumber, "unknown entity " + std::string(words[0].text));
        }
        drawing.Add(std::move(e));
    }
    return drawing;
}

Drawing Drawing::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FormatError("cannot read " + path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(text);
}

std::string Drawing::Format() const {
    std::string out;
    auto point = [](Point p) { return FormatNumber(p.x) + "," + FormatNumber(p.y); };
    std::string layer = "0";
    for (const Entity& e : entities_) {
        if (e.layer != layer) {
            layer = e.layer;
            out += "LAYER " + layer + "\n";
        }
        switch (e.kind) {
        case EntityKind::Line:
            out += "LINE " + point(e.start) + " " + point(e.end);
            break;
        case EntityKind::Arc:
            out += "ARC " + point(e.centre) + " " + FormatNumber(e.radius) + " " +
                   FormatNumber(e.startAngle) + " " + FormatNumber(e.endAngle);
            break;
        case EntityKind::Circle:
            out += "CIRCLE " + point(e.centre) + " " + FormatNumber(e.radius);
            break;
        case EntityKind::LwPolyline:
        case EntityKind::Polyline:
            out += e.kind == EntityKind::Polyline ? "POLYLINE" : "LWPOLYLINE";
            if (e.closed) out += " CLOSED";
            if (e.mirrored) out += " MIRRORED";
            for (const Vertex& v : e.vertices) {
                out += " " + point({v.x, v.y});
                if (v.bulge != 0) out += "," + FormatNumber(v.bulge);
            }
            break;
        case EntityKind::Ellipse:
            out += "ELLIPSE " + point(e.centre) + " " + point(e.majorAxis) + " " + FormatNumber(e.ratio) + " " +
                   FormatNumber(e.startParameter) + " " + FormatNumber(e.endParameter);
            break;
        case EntityKind::Spline:
            out += "SPLINE " + std::to_string(e.degree);
            for (size_t i = 0; i < e.controlPoints.size(); ++i) {
                out += " " + point(e.controlPoints[i]);
                if (!e.weights.empty()) out += "," + FormatNumber(e.weights[i]);
            }
            out += " KNOTS";
            for (double k : e.knots) out += " " + FormatNumber(k);
            break;
        case EntityKind::Mtext:
            out += "MTEXT " + point(e.position) + " " + FormatNumber(e.height) + " " +
                   FormatNumber(e.width) + " " + std::string(JustificationName(e.attachment)) + " " +
                   FormatNumber(e.rotation) + " " + e.text;
            break;
        }
        out += "\n";
    }
    return out;
}

std::vector<Point> Outline(const Entity& e, double maxAngle) {
    constexpr double kDegree = std::numbers::pi / 180;
    std::vector<Point> out;
    switch (e.kind) {
    case EntityKind::Line:
        out = {e.start, e.end};
        break;
    case EntityKind::Circle:
        AppendArc(out, e.centre, e.radius, 0, 2 * std::numbers::pi, maxAngle);
        break;
    case EntityKind::Arc: {
        double sweep = std::fmod(e.endAngle - e.startAngle, 360.0);
        if (sweep <= 0) sweep += 360;
        AppendArc(out, e.centre, e.radius, e.startAngle * kDegree, sweep * kDegree, maxAngle);
        break;
    }
    case EntityKind::LwPolyline:
    case EntityKind::Polyline: {
        size_t n = e.vertices.size();
        size_t segments = e.closed ? n : n - 1;
        for (size_t i = 0; i < segments && n > 1; ++i)
            AppendSegment(out, e.vertices[i], e.vertices[(i + 1) % n], maxAngle);
        break;
    }
    case EntityKind::Ellipse: {
        const double sweep = EllipseSweep(e);
        const Point minor{-e.majorAxis.y * e.ratio, e.majorAxis.x * e.ratio};
        const int steps = std::clamp(static_cast<int>(std::ceil(sweep / maxAngle)), 1, 4096);
        for (int k = 0; k <= steps; ++k) {
            const double t = e.startParameter + sweep * k / steps;
            out.push_back({e.centre.x + e.majorAxis.x * std::cos(t) + minor.x * std::sin(t),
                           e.centre.y + e.majorAxis.y * std::cos(t) + minor.y * std::sin(t)});
        }
        break;
    }
    case EntityKind::Spline:
        for (size_t span = static_cast<size_t>(e.degree); span < e.controlPoints.size(); ++span) {
            const double a = e.knots[span], b = e.knots[span + 1];
            if (!(b > a)) continue;
            for (int k = out.empty() ? 0 : 1; k <= 32; ++k) out.push_back(SplinePoint(e, span, a + (b - a) * k / 32));
        }
        break;
    case EntityKind::Mtext:
        break;
    }
    return out;
}

std::vector<Point> LabelBox(const Entity& label) {
    size_t lines = 1, widest = 0, current = 0;
    for (size_t i = 0; i < label.text.size(); ++i) {
        if (label.text.compare(i, 2, "\\P") == 0) {
            ++lines;
            widest = std::max(widest, current);
            current = 0;
            ++i;
        } else {
            ++current;
        }
    }
    widest = std::max(widest, current);
    double h = label.height;
    double w = static_cast<double>(widest) * 0.6 * h;
    double tall = static_cast<double>(lines) * h + static_cast<double>(lines - 1) * 0.667 * h;
    int col = (label.attachment - 1) % 3, row = (label.attachment - 1) / 3;
    double left = -w * col / 2, top = tall * row / 2;
    std::vector<Point> corners = {{left, top}, {left + w, top}, {left + w, top - tall}, {left, top - tall}};
    double a = label.rotation * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    for (Point& p : corners)
        p = {label.position.x + p.x * c - p.y * s, label.position.y + p.x * s + p.y * c};
    return corners;
}

int Drawing::HitTest(Point p, double tolerance) const {
    for (size_t i = entities_.size(); i-- > 0;) {
        const Entity& e = entities_[i];
        std::vector<Point> shape = e.kind == EntityKind::Mtext ? LabelBox(e) : Outline(e);
        if (e.kind == EntityKind::Mtext) {
            if (InsidePolygon(p, shape)) return static_cast<int>(i);
            shape.push_back(shape.front());
        }
        for (size_t k = 0; k + 1 < shape.size(); ++k)
            if (SegmentDistance(p, shape[k], shape[k + 1]) <= tolerance) return static_cast<int>(i);
        if (shape.size() == 1 && Distance(p, shape[0]) <= tolerance) return static_cast<int>(i);
    }
    return -1;
}

Extents Drawing::Bounds() const {
    Extents extents;
    for (const Entity& e : entities_)
        for (Point p : e.kind == EntityKind::Mtext ? LabelBox(e) : Outline(e)) extents.Add(p);
    return extents;
}

} // namespace standin
