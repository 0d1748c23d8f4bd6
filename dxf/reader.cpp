// DXF entity reader: the text is walked as group-code/value line pairs over string_views into a
// window of it; nothing is allocated per line. A file passes through one buffer of fixed size,
// reused piece after piece, so that reading costs neither a copy of the file nor the page faults
// of one; a pair that the end of a piece cuts is carried to the front of the buffer.
#include "dxf/reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <share.h>
#endif

#include "common/cp932.h"
#include "dxf/convert.h"

namespace vermiq {
namespace {

// The first CR or LF at or after `p`, or `end`. Eight bytes are looked at at once: a byte equal
// to CR or LF becomes zero under the XOR, and the subtraction sets the high bit of the first zero
// byte (bytes above it may be flagged falsely, so only the lowest flag counts).
inline const char* FindBreak(const char* p, const char* end) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u;
        constexpr std::uint64_t kHighs = 0x8080808080808080u;
        for (; end - p >= 8; p += 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t lf = word ^ (kOnes * '\n');
            const std::uint64_t cr = word ^ (kOnes * '\r');
            const std::uint64_t flags = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHighs;
            if (flags != 0) return p + std::countr_zero(flags) / 8;
        }
    }
    while (p != end && *p != '\n' && *p != '\r') ++p;
    return p;
}

// Splits a window of the text into line pairs at CR, LF or CR LF. A break at the very end of the
// text does not start another (empty) line. Unless the window ends the text, a pair is taken only
// when both its lines are known to be whole: a CR as the window's last byte may be the first half
// of a CR LF.
class PairCursor {
public:
    PairCursor(const char* begin, const char* end, bool endsText) : p_(begin), end_(end), endsText_(endsText) {}

    const char* Position() const { return p_; }

    // False, with the cursor where it was, when no whole pair is left in the window.
    bool Next(std::string_view& code, std::string_view& value) {
        const char* p = p_;
        if (!Line(p, code) || !Line(p, value)) return false;
        p_ = p;
        return true;
    }

private:
    bool Line(const char*& p, std::string_view& line) const {
        if (p == end_) return false;
        const char* q = FindBreak(p, end_);
        // Without its break, or with a CR last, the line may go on in the next piece.
        if (!endsText_ && (q == end_ || (*q == '\r' && q + 1 == end_))) return false;
        line = std::string_view(p, static_cast<std::size_t>(q - p));
        p = q == end_ ? q : q + (*q == '\r' && q + 1 != end_ && q[1] == '\n' ? 2 : 1);
        return true;
    }

    const char* p_;
    const char* end_;
    bool endsText_;
};

// DXF writes group codes right-aligned in three columns: a few blanks and up to four digits
// take the short way; anything else gets the full conversion and its error.
inline std::int32_t GroupCode(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t digits = line.size() - i;
    if (digits != 0 && digits <= 4) {
        std::int32_t value = 0;
        for (; i < line.size(); ++i) {
            const unsigned digit = static_cast<unsigned>(line[i] - '0');
            if (digit > 9) return StrToInt(line);
            value = value * 10 + static_cast<std::int32_t>(digit);
        }
        return value;
    }
    return StrToInt(line);
}

std::string_view CutBytes(std::string_view text, std::size_t limit) {
    return text.size() > limit ? text.substr(0, limit) : text;
}

// A name cut at `limit` bytes, less one where the cut would leave the first byte of a
// double-byte character alone: a layer name goes on into a table the user reads.
std::string_view CutCharacters(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t step = IsCp932LeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > limit) break;
        end += step;
    }
    return text.substr(0, end);
}

void CutBytes(std::string& text, std::size_t limit) {
    if (text.size() > limit) text.resize(limit);
}

// Deletes every "\<letter>" pair. Deleting a pair can bring a backslash next to another letter,
// which is deleted too, exactly as repeated search-and-delete from the start would; done in one
// pass so that a long value cannot make the reader quadratic.
void RemoveCodePairs(std::string& text, char letter) {
    std::size_t w = 0;
    for (std::size_t r = 0; r < text.size(); ++r) {
        const char c = text[r];
        if (c == letter && w != 0 && text[w - 1] == '\\') {
            --w;
            continue;
        }
        text[w++] = c;
    }
    text.resize(w);
}

// Deletes "\<letter>" up to and including the next ';', from the first such code on, until a
// code without a ';' after it is met, which is left as it stands with the rest of the text.
void RemoveCodesToSemicolon(std::string& text, char letter) {
    const char code[2] = {'\\', letter};
    const std::string_view codeView(code, 2);
    std::string out;
    out.reserve(text.size());
    std::size_t r = 0;
    for (;;) {
        // `out` holds no code; the first one may straddle its end and the rest of the text.
        const bool straddles = !out.empty() && out.back() == '\\' && r < text.size() && text[r] == letter;
        std::size_t at = r;
        if (!straddles) {
            at = std::string_view(text).find(codeView, r);
            if (at == std::string_view::npos) break;
        }
        const std::size_t semicolon = text.find(';', straddles ? r + 1 : at + 2);
        if (semicolon == std::string::npos) break;
        if (straddles) out.pop_back();
        else out.append(text, r, at - r);
        r = semicolon + 1;
    }
    out.append(text, r, std::string::npos);
    text = std::move(out);
}

// "\U+03C6" as the CAD writes a Greek small phi, and the same character in code page 932.
constexpr std::string_view kPhiEscape = "\\U+03C6";
constexpr std::string_view kPhiCp932 = "\x83\xD3";

class DxfReader {
public:
    // `total`: the size of the whole text, or a guess of it; it only guides how much room the
    // tables reserve.
    DxfReader(EntityTables& tables, std::size_t total) : t_(tables), total_(total) {}

    bool Done() const { return phase_ == Phase::Done; }

    // Takes the whole pairs of a window that starts `offset` bytes into the text.
    void Read(PairCursor& lines, std::size_t offset) {
        window_ = &lines;
        windowStart_ = lines.Position();
        windowOffset_ = offset;
        if (phase_ == Phase::Entities) ReadEntities(lines);
        if (phase_ == Phase::SeekingEof) SeekEof(lines);
    }

private:
    // Up to the ENDSEC of the ENTITIES section every pair is converted; after it the pairs are
    // only looked through for the EOF pair, so that nothing there (not even a broken code line)
    // matters.
    enum class Phase : std::uint8_t { Entities, SeekingEof, Done };

    void ReadEntities(PairCursor& lines) {
        std::string_view codeLine;
        std::string_view value;
        // An odd last line has no value line and is ignored unconverted.
        while (lines.Next(codeLine, value)) {
            const std::int32_t code = GroupCode(codeLine);
            if (code == 0 && value == "EOF") {
                Finish();
                return;
            }
            if (inEntities_ && code == 0 && value == "ENDSEC") {
                phase_ = Phase::SeekingEof;
                return;
            }
            if (inStyleTable_) {
                if (open_ == Open::Style) StylePair(code, value);
                if (code == 0 && value == "STYLE") {
                    Grow(t_.StyleTable);
                    t_.StyleTable.emplace_back();
                    open_ = Open::Style;
                }
            }
            if (inEntities_) {
                if (open_ > Open::Style) EntityPair(code, value);
                if (code == 0) {
                    StartEntity(value);
                    ownHandle_ = value != "VERTEX" && value != "SEQEND" && value != "ATTRIB";
                } else if (code == 5 && ownHandle_) {
                    t_.EntityHandles.emplace_back(value);
                    ownHandle_ = false;
                }
            }
            if (code == 2) {
                if (value == "ENTITIES") {
                    inEntities_ = true;
                    inStyleTable_ = false;
                } else if (value == "STYLE") {
                    inStyleTable_ = true;
                }
            }
        }
    }

    void SeekEof(PairCursor& lines) {
        std::string_view codeLine;
        std::string_view value;
        std::int32_t code = 0;
        while (lines.Next(codeLine, value)) {
            if (value == "EOF" && TryStrToInt(codeLine, code) && code == 0) {
                Finish();
                return;
            }
        }
    }

    // The EOF pair ends the file: whatever a writer leaves after it is no DXF.
    void Finish() {
        t_.ReachedEof = true;
        phase_ = Phase::Done;
    }

    // Bytes of the text up to the end of the current pair, and after it as far as the total is
    // known.
    std::size_t Consumed() const { return windowOffset_ + static_cast<std::size_t>(window_->Position() - windowStart_); }
    std::size_t Remaining() const { return Consumed() < total_ ? total_ - Consumed() : 0; }

    enum class Open : std::uint8_t { None, Style, Line, Text, Arc, Circle, PolylineHeader, Vertex, LwPolyline, Ellipse, Spline };

    // Makes room before an entity table fills up. Doubling would leave a large table up to half
    // empty and hold old and new storage at once; the share of the file read so far predicts
    // the final size far better (a drawing's entities are spread evenly), within the bounds of
    // growing by at least half and at most fourfold. Not for a polyline's vertices, which are
    // not spread over the file: they grow as vectors do, or as the announced count says.
    template <class Table>
    void Grow(Table& table) const {
        const std::size_t size = table.size();
        if (size < table.capacity()) return;
        const std::size_t consumed = std::min(Consumed(), total_);
        const double predicted = consumed == 0 ? 0.0 : static_cast<double>(size) * static_cast<double>(total_) / static_cast<double>(consumed) * 1.02;
        const std::size_t least = size + size / 2 + 16;
        const std::size_t most = size * 4 + 16;
        table.reserve(predicted <= static_cast<double>(least) ? least
                      : predicted >= static_cast<double>(most) ? most
                                                               : static_cast<std::size_t>(predicted));
    }

    void StylePair(std::int32_t code, std::string_view value) {
        StyleRec& style = t_.StyleTable.back();
        switch (code) {
        case 0: open_ = Open::None; break;
        case 2: style.Name.assign(CutBytes(value, kStyleNameBytes)); break;
        case 40: style.FixedHeight = StrToFloat(value); break;
        default: break;
        }
    }

    // Reached only by a code-0 pair, which has already closed the record that was open.
    void StartEntity(std::string_view kind) {
        if (kind != "VERTEX") inMesh_ = false; // SEQEND, or whatever follows, ends a mesh's vertices
        if (kind == "LINE") {
            Grow(t_.LineTable);
            t_.LineTable.emplace_back().Order = order_++;
            open_ = Open::Line;
        } else if (kind == "VERTEX") {
            // A vertex belongs to the polyline started last; without one, or when that was a
            // mesh, it is passed over.
            if (!t_.PolylineTable.empty() && !inMesh_) open_ = Open::Vertex;
            vertexHasPoint_ = false;
        } else if (kind == "TEXT" || kind == "MTEXT") {
            Grow(t_.TextTable);
            TextRec& text = t_.TextTable.emplace_back();
            text.Height = LookupStyleHeight(t_, "Standard");
            open_ = Open::Text;
        } else if (kind == "ARC") {
            Grow(t_.ArcTable);
            t_.ArcTable.emplace_back().Order = order_++;
            open_ = Open::Arc;
        } else if (kind == "CIRCLE") {
            Grow(t_.CircleTable);
            t_.CircleTable.emplace_back().Order = order_++;
            open_ = Open::Circle;
        } else if (kind == "ELLIPSE") {
            Grow(t_.EllipseTable);
            t_.EllipseTable.emplace_back().Order = order_++;
            open_ = Open::Ellipse;
        } else if (kind == "SPLINE") {
            Grow(t_.SplineTable);
            t_.SplineTable.emplace_back().Order = order_++;
            open_ = Open::Spline;
        } else if (kind == "POLYLINE") {
            Grow(t_.PolylineTable);
            t_.PolylineTable.emplace_back().Order = order_++;
            open_ = Open::PolylineHeader;
        } else if (kind == "LWPOLYLINE") {
            Grow(t_.PolylineTable);
            t_.PolylineTable.emplace_back().Order = order_++;
            vertexHasPoint_ = false;
            open_ = Open::LwPolyline;
        }
    }

    void EntityPair(std::int32_t code, std::string_view value) {
        if (code == 0) {
            open_ = Open::None;
            return;
        }
        switch (open_) {
        case Open::Line: LinePair(t_.LineTable.back(), code, value); break;
        case Open::Text: TextPair(t_.TextTable.back(), code, value); break;
        case Open::Arc: ArcPair(t_.ArcTable.back(), code, value); break;
        case Open::Circle: CirclePair(t_.CircleTable.back(), code, value); break;
        case Open::PolylineHeader: PolylineHeaderPair(t_.PolylineTable.back(), code, value); break;
        case Open::Vertex: VertexPair(t_.PolylineTable.back(), code, value); break;
        case Open::LwPolyline: LwPolylinePair(t_.PolylineTable.back(), code, value); break;
        case Open::Ellipse: EllipsePair(t_.EllipseTable.back(), code, value); break;
        case Open::Spline: SplinePair(t_.SplineTable.back(), code, value); break;
        case Open::None:
        case Open::Style: break;
        }
    }

    // Codes 10, 20, 30 (offset 0) or 11, 21, 31 (offset 1) set X, Y, Z of `point`.
    static bool CoordinatePair(Point3& point, std::int32_t code, std::int32_t offset, std::string_view value) {
        switch (code - offset) {
        case 10: point.X = StrToFloat(value); return true;
        case 20: point.Y = StrToFloat(value); return true;
        case 30: point.Z = StrToFloat(value); return true;
        default: return false;
        }
    }

    void LinePair(LineRec& line, std::int32_t code, std::string_view value) {
        if (code == 8) line.Layer = Layer(value);
        else if (!CoordinatePair(line.Start, code, 0, value)) CoordinatePair(line.End, code, 1, value);
    }

    void TextPair(TextRec& text, std::int32_t code, std::string_view value) {
        if (CoordinatePair(text.First, code, 0, value) || CoordinatePair(text.Second, code, 1, value)) return;
        switch (code) {
        case 1: {
            std::string stripped = StripMtextCodes(std::string(value));
            const std::size_t phi = stripped.find(kPhiEscape);
            if (phi != std::string::npos) stripped.replace(phi, kPhiEscape.size(), kPhiCp932);
            CutBytes(stripped, kTextBytes);
            text.Text = std::move(stripped);
            break;
        }
        case 3:
            // Long MTEXT arrives in chunks; only the room left is taken.
            text.Text.append(CutBytes(value, kTextBytes - text.Text.size()));
            break;
        case 7: text.Height = LookupStyleHeight(t_, value); break;
        case 40: text.Height = StrToFloat(value); break;
        case 72: text.HorizontalJustification = StrToInt(value); break;
        case 73: text.VerticalJustification = StrToInt(value); break;
        default: break;
        }
    }

    void ArcPair(ArcRec& arc, std::int32_t code, std::string_view value) {
        if (CoordinatePair(arc.Centre, code, 0, value) || CoordinatePair(arc.Extrusion, code, 200, value)) return;
        switch (code) {
        case 8: arc.Layer = Layer(value); break;
        case 40: arc.Radius = StrToFloat(value); break;
        case 50: arc.StartAngle = StrToFloat(value); break;
        case 51: arc.EndAngle = StrToFloat(value); break;
        default: break;
        }
    }

    void CirclePair(CircleRec& circle, std::int32_t code, std::string_view value) {
        if (CoordinatePair(circle.Centre, code, 0, value) || CoordinatePair(circle.Extrusion, code, 200, value)) return;
        if (code == 8) circle.Layer = Layer(value);
        else if (code == 40) circle.Radius = StrToFloat(value);
    }

    // The header's own 10/20/30 are no vertex; its Z is the elevation of a 2D polyline. A polygon
    // or polyface mesh is no path at all: its record goes, and its vertices (for a polyface mostly
    // face records at 0,0) are passed over like those of an unknown entity.
    void PolylineHeaderPair(PolylineRec& polyline, std::int32_t code, std::string_view value) {
        if (code == 8) {
            polyline.Layer = Layer(value);
        } else if (code == 70) {
            polyline.Flags = StrToInt(value);
            if ((polyline.Flags & (kPolylinePolygonMesh | kPolylinePolyfaceMesh)) != 0) {
                t_.PolylineTable.pop_back();
                inMesh_ = true;
                open_ = Open::None;
            }
        } else if (code == 30) {
            polyline.Elevation = StrToFloat(value);
        } else {
            CoordinatePair(polyline.Extrusion, code, 200, value);
        }
    }

    void EllipsePair(EllipseRec& ellipse, std::int32_t code, std::string_view value) {
        if (CoordinatePair(ellipse.Centre, code, 0, value) || CoordinatePair(ellipse.MajorAxis, code, 1, value) ||
            CoordinatePair(ellipse.Extrusion, code, 200, value))
            return;
        switch (code) {
        case 8: ellipse.Layer = Layer(value); break;
        case 40: ellipse.Ratio = StrToFloat(value); break;
        case 41: ellipse.StartParameter = StrToFloat(value); break;
        case 42: ellipse.EndParameter = StrToFloat(value); break;
        default: break;
        }
    }

    // Knots, weights and control points each in file order. The counts announced in 72 and 73
    // only reserve room (bounded by what is left of the file, as for an LWPOLYLINE's 90); the
    // lists themselves are what the file holds. A 20 or 30 before the first 10 is passed over.
    void SplinePair(SplineRec& spline, std::int32_t code, std::string_view value) {
        switch (code) {
        case 8: spline.Layer = Layer(value); return;
        case 70: spline.Flags = StrToInt(value); return;
        case 71: spline.Degree = StrToInt(value); return;
        case 72: Reserve(spline.Knots, value, 8); return;
        case 73: Reserve(spline.ControlPoints, value, 24); return;
        case 40: spline.Knots.push_back(StrToFloat(value)); return;
        case 41: spline.Weights.push_back(StrToFloat(value)); return;
        case 10: spline.ControlPoints.push_back(Point3{StrToFloat(value), 0.0, 0.0}); return;
        case 20:
        case 30:
            if (!spline.ControlPoints.empty()) CoordinatePair(spline.ControlPoints.back(), code, 0, value);
            return;
        default: return;
        }
    }

    // Room for an announced count of list entries, each taking at least `bytes` of the file.
    template <class List>
    void Reserve(List& list, std::string_view value, std::size_t bytes) const {
        std::int32_t announced = 0;
        if (TryStrToInt(value, announced) && announced > 0)
            list.reserve(std::min<std::size_t>(static_cast<std::size_t>(announced), Remaining() / bytes));
    }

    // A 20, 42 or 70 before the vertex's own 10 has no vertex to go to and is passed over,
    // unconverted; it never lands on the vertex before.
    void VertexPair(PolylineRec& polyline, std::int32_t code, std::string_view value) {
        if (code == 10) {
            const double x = StrToFloat(value);
            polyline.Vertices.push_back(Vertex{x, 0.0, 0.0, 0});
            vertexHasPoint_ = true;
            return;
        }
        if (!vertexHasPoint_) return;
        Vertex& vertex = polyline.Vertices.back();
        switch (code) {
        case 20: vertex.Y = StrToFloat(value); break;
        case 42: vertex.Bulge = StrToFloat(value); break;
        case 70: vertex.Flags = StrToInt(value); break;
        default: break;
        }
    }

    void LwPolylinePair(PolylineRec& polyline, std::int32_t code, std::string_view value) {
        if (CoordinatePair(polyline.Extrusion, code, 200, value)) return;
        switch (code) {
        case 8: polyline.Layer = Layer(value); return;
        case 70: polyline.Flags = StrToInt(value); return;
        case 38: polyline.Elevation = StrToFloat(value); return;
        case 90:
            // The vertex count announced in the header saves the regrowth of a long vertex list.
            // Every vertex takes at least ten bytes of the file, which bounds what a false count
            // can reserve. Not a value the result depends on, so a bad one is no error.
            Reserve(polyline.Vertices, value, 10);
            return;
        case 10: {
            const double x = StrToFloat(value);
            polyline.Vertices.push_back(Vertex{x, 0.0, 0.0, 0});
            vertexHasPoint_ = true;
            return;
        }
        default: break;
        }
        if (!vertexHasPoint_) return;
        if (code == 20) polyline.Vertices.back().Y = StrToFloat(value);
        else if (code == 42) polyline.Vertices.back().Bulge = StrToFloat(value);
    }

    // Layer names are kept once; consecutive entities of one layer cost one comparison.
    std::uint32_t Layer(std::string_view value) {
        const std::string_view name = CutCharacters(value, kLayerNameBytes);
        if (t_.LayerNames[lastLayer_] == name) return lastLayer_;
        const auto found = layerIndex_.find(name);
        if (found != layerIndex_.end()) {
            lastLayer_ = found->second;
        } else {
            lastLayer_ = static_cast<std::uint32_t>(t_.LayerNames.size());
            t_.LayerNames.emplace_back(name);
            layerIndex_.emplace(std::string(name), lastLayer_);
        }
        return lastLayer_;
    }

    EntityTables& t_;
    Phase phase_ = Phase::Entities;
    bool inEntities_ = false;
    bool ownHandle_ = false;      // the entity open now is one of the section's own, its handle to come
    bool inStyleTable_ = false;
    Open open_ = Open::None;
    bool vertexHasPoint_ = false; // the open VERTEX or LWPOLYLINE has had a code 10
    bool inMesh_ = false;         // the polyline started last is a mesh: its VERTEX records go
    std::size_t total_;                    // bytes of the text
    const PairCursor* window_ = nullptr;   // the window being read
    const char* windowStart_ = nullptr;    // where it started
    std::size_t windowOffset_ = 0;         // and how far into the text that is
    ReadingOrder order_ = 0;              // of the next measurable element
    std::uint32_t lastLayer_ = kNoLayer;
    std::map<std::string, std::uint32_t, std::less<>> layerIndex_{{std::string(), kNoLayer}};
};

#ifdef _WIN32
using StatBuffer = struct _stat64;
inline int StatPath(const std::string& path, StatBuffer& st) { return _stat64(path.c_str(), &st); }
inline int StatFile(std::FILE* f, StatBuffer& st) { return _fstat64(_fileno(f), &st); }
inline bool IsDirectory(const StatBuffer& st) { return (st.st_mode & _S_IFMT) == _S_IFDIR; }
#else
using StatBuffer = struct stat;
inline int StatPath(const std::string& path, StatBuffer& st) { return stat(path.c_str(), &st); }
inline int StatFile(std::FILE* f, StatBuffer& st) { return fstat(fileno(f), &st); }
inline bool IsDirectory(const StatBuffer& st) { return S_ISDIR(st.st_mode); }
#endif

// The reason as the user reads it; the C library's own texts are English.
std::string Reason(int error) {
    switch (error) {
    case EACCES: return "アクセスが拒否されたか、別のプロセスが使用中です";
    case EBUSY: return "別のプロセスが使用中です";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case EINVAL: return "ファイル名が正しくありません";
    case EIO: return "入出力エラーが発生しました";
    case ENOMEM: return "メモリが不足しています";
    default: {
#ifdef _WIN32
        char text[128];
        return strerror_s(text, sizeof text, error) == 0 ? std::string(text) : std::to_string(error);
#else
        return std::strerror(error);
#endif
    }
    }
}

[[noreturn]] void ThrowFileError(const std::string& path, const char* failed, int error) {
    throw FileOpenError("ファイル \"" + path + "\" " + failed + " (" + Reason(error) + ")");
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads pieces of the file until `room` is filled or the file ends; 0 at its end.
std::size_t ReadPiece(std::FILE* file, const std::string& path, char* buffer, std::size_t room) {
    const std::size_t got = std::fread(buffer, 1, room, file);
    if (got < room && std::ferror(file)) ThrowFileError(path, "を読み込めません", errno);
    return got;
}

} // namespace

std::int32_t ReadDxfText(EntityTables& tables, std::string_view text) {
    tables.Clear();
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    PairCursor lines(text.data(), text.data() + text.size(), true);
    DxfReader(tables, text.size()).Read(lines, 0);
    return tables.LineCount();
}

std::int32_t ReadDxfPieces(EntityTables& tables, const DxfPieceReader& read, std::size_t sizeHint, std::size_t bufferBytes) {
    tables.Clear();
    DxfReader reader(tables, sizeHint);
    std::vector<char> buffer(std::max<std::size_t>(bufferBytes, 2));
    std::size_t filled = 0; // bytes in the buffer, from its start
    std::size_t offset = 0; // of the buffer's first byte in the text
    bool endsText = false;
    for (;;) {
        PairCursor lines(buffer.data(), buffer.data() + filled, endsText);
        reader.Read(lines, offset);
        if (reader.Done() || endsText) break;
        // What is left is the start of a pair; it moves to the front, and the buffer grows only
        // when a single pair is longer than all of it.
        const std::size_t taken = static_cast<std::size_t>(lines.Position() - buffer.data());
        std::memmove(buffer.data(), lines.Position(), filled - taken);
        filled -= taken;
        offset += taken;
        if (filled == buffer.size()) buffer.resize(buffer.size() * 2);
        std::size_t got = read(buffer.data() + filled, buffer.size() - filled);
        // A NUL byte ends the text, as it does one in memory.
        if (const void* nul = std::memchr(buffer.data() + filled, '\0', got)) {
            got = static_cast<std::size_t>(static_cast<const char*>(nul) - (buffer.data() + filled));
            endsText = true;
        }
        if (got == 0) endsText = true;
        filled += got;
    }
    return tables.LineCount();
}

std::int32_t ReadDxfEntities(EntityTables& tables, const std::string& path) {
    tables.Clear();
    // Opened so that no one else may write it meanwhile: the CAD may still be writing its export.
#ifdef _WIN32
    std::FILE* raw = _fsopen(path.c_str(), "rb", _SH_DENYWR);
#else
    std::FILE* raw = std::fopen(path.c_str(), "rb");
#endif
    StatBuffer st{};
    if (raw == nullptr) {
        const int error = errno;
        if (StatPath(path, st) != 0 || IsDirectory(st)) return 0; // no file at `path` (a folder is none)
        ThrowFileError(path, "を開けません", error);
    }
    const std::unique_ptr<std::FILE, FileCloser> file(raw);
    if (StatFile(raw, st) == 0 && IsDirectory(st)) return 0;
    // The buffer here is the reader's own; the stream's would only copy every byte once more.
    std::setvbuf(raw, nullptr, _IONBF, 0);
    const std::size_t size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    return ReadDxfPieces(
        tables, [&](char* buffer, std::size_t room) { return ReadPiece(raw, path, buffer, room); }, size);
}

double LookupStyleHeight(const EntityTables& tables, std::string_view name) {
    for (const StyleRec& style : tables.StyleTable)
        if (style.Name == name) return style.FixedHeight;
    return 0.0;
}

std::string StripMtextCodes(std::string text) {
    for (const char letter : {'P', 'O', 'o', 'L', 'l'}) RemoveCodePairs(text, letter);
    for (const char letter : {'T', 'C'}) RemoveCodesToSemicolon(text, letter);
    return text;
}

} // namespace vermiq
