// libFuzzer target for the DXF reader: any bytes must read to consistent tables or to a
// conversion error, and measure without fault (ellipses and splines too: a number or nothing).
// Read again in small pieces through a tiny buffer, as a file is, they must give the same. Also
// cross-checks the number conversions with the C library and the one-pass MTEXT stripping with
// the literal repeated search.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "dxf/convert.h"
#include "dxf/measure.h"
#include "dxf/reader.h"
#include "tests/dxf/strip_reference.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckTables(const vermiq::EntityTables& t) {
    for (const auto& text : t.TextTable) Check(text.Text.size() <= vermiq::kTextBytes, "text cut to 255 bytes");
    for (const auto& style : t.StyleTable) Check(style.Name.size() <= vermiq::kStyleNameBytes, "style name cut to 40 bytes");
    for (const auto& name : t.LayerNames) Check(name.size() <= vermiq::kLayerNameBytes, "layer name cut to 60 bytes");
    const auto layers = t.LayerNames.size();
    for (const auto& r : t.LineTable) Check(r.Layer < layers, "line layer index");
    for (const auto& r : t.ArcTable) Check(r.Layer < layers, "arc layer index");
    for (const auto& r : t.CircleTable) Check(r.Layer < layers, "circle layer index");
    for (const auto& r : t.PolylineTable) Check(r.Layer < layers, "polyline layer index");
    for (const auto& r : t.EllipseTable) Check(r.Layer < layers, "ellipse layer index");
    for (const auto& r : t.SplineTable) Check(r.Layer < layers, "spline layer index");
    Check(!std::isnan(vermiq::MeasuredLength(t)), "a length is a number");
    double length = 0;
    vermiq::MeasurePolyline(t, length);
    Check(length >= 0, "a polyline's length is not negative");
    // A curve is measured or is nothing; never NaN, never negative, and within its bounds.
    vermiq::MeasureSpline(t, length);
    Check(length >= 0, "a spline's length is a number, not negative");
    vermiq::MeasureEllipse(t, length);
    Check(length >= 0, "an ellipse's length is a number, not negative");
    if (!t.EllipseTable.empty()) {
        const auto& e = t.EllipseTable[0];
        const double reach = std::hypot(e.MajorAxis.X, e.MajorAxis.Y, e.MajorAxis.Z) * std::fmax(1.0, std::fabs(e.Ratio));
        if (std::isfinite(reach) && reach < 1e300)
            Check(length <= 4 * 3.1415926535897932 * reach * (1 + 1e-12) + 1e-300, "an ellipse arc is no longer than its bounding circle's turn twice");
    }
    if (!t.ArcTable.empty() && t.ArcTable[0].Radius >= 0 && t.ArcTable[0].Radius < 1e300) {
        vermiq::MeasureArc(t, length);
        Check(length >= 0 && length <= 2 * 3.1415926535897932 * t.ArcTable[0].Radius * (1 + 1e-12),
              "an arc is no longer than its circle");
    }
}

std::string ReadError(const std::function<void()>& read) {
    try {
        read();
    } catch (const vermiq::ConversionError& e) {
        return e.what();
    }
    return {};
}

// The same bytes in pieces of 1 to 13 bytes (chosen by the first byte) through a buffer of 7,
// which a longer pair makes grow: the same tables, end and error as in one piece.
void CheckPieces(const vermiq::EntityTables& whole, const std::string& wholeError, std::string_view text) {
    static vermiq::EntityTables pieces;
    const std::size_t most = text.empty() ? 1 : 1 + static_cast<unsigned char>(text[0]) % 13;
    std::size_t at = 0;
    const std::string error = ReadError([&] {
        vermiq::ReadDxfPieces(pieces, [&](char* buffer, std::size_t room) {
            const std::size_t n = std::min({room, most, text.size() - at});
            text.copy(buffer, n, at);
            at += n;
            return n;
        }, text.size(), 7);
    });
    Check(error == wholeError, "the same error in pieces");
    Check(pieces.ReachedEof == whole.ReachedEof, "the same end in pieces");
    Check(pieces.LineCount() == whole.LineCount() && pieces.TextCount() == whole.TextCount() &&
              pieces.ArcCount() == whole.ArcCount() && pieces.CircleCount() == whole.CircleCount() &&
              pieces.PolylineCount() == whole.PolylineCount() && pieces.EllipseCount() == whole.EllipseCount() &&
              pieces.SplineCount() == whole.SplineCount() && pieces.StyleCount() == whole.StyleCount() &&
              pieces.LayerNames == whole.LayerNames,
          "the same counts in pieces");
    const double a = vermiq::MeasuredLength(whole);
    const double b = vermiq::MeasuredLength(pieces);
    Check(std::memcmp(&a, &b, sizeof a) == 0, "the same length in pieces");
}

// Where ours accepts a number, the C library (in the "C" locale of this process) reads the same.
void CheckConversions(std::string_view line) {
    const std::string text(line);
    double real = 0;
    // A mantissa of a lone period (".", "-.e3") reads as zero here and is no number to strtod.
    const std::string mantissa = text.substr(0, text.find_first_of("eE"));
    if (vermiq::TryStrToFloat(text, real) && mantissa.find_first_of("0123456789") != std::string::npos) {
        errno = 0;
        char* end = nullptr;
        const double expected = std::strtod(text.c_str(), &end);
        Check(std::strspn(end, " ") == std::strlen(end), "strtod reads the whole accepted real");
        Check(std::memcmp(&expected, &real, sizeof real) == 0, "real agrees with strtod");
    }
    std::int32_t integer = 0;
    if (vermiq::TryStrToInt(text, integer) && text.find_first_of("$xX") == std::string::npos) {
        char* end = nullptr;
        const long long expected = std::strtoll(text.c_str(), &end, 10);
        Check(*end == '\0' && expected == integer, "integer agrees with strtoll");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One instance across inputs, as in the tool: every read must start from clean tables.
    static vermiq::EntityTables tables;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string error = ReadError([&] { vermiq::ReadDxfText(tables, text); });
    CheckTables(tables);
    CheckPieces(tables, error, text);

    const std::string_view head = text.substr(0, std::min<std::size_t>(text.find_first_of("\r\n"), 80));
    if (head.find('\0') == std::string_view::npos) CheckConversions(head);
    if (size <= 256) {
        const std::string value(text);
        Check(vermiq::StripMtextCodes(value) == vermiq::test::StripByRepeatedSearch(value), "one-pass strip equals repeated search");
    }
    return 0;
}
