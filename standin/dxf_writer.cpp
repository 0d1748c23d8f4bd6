// The stand-in CAD's DXF export: every object of a minimal but complete AutoCAD 2000 file, with
// handles and owners, so that strict readers take it as readily as the tool's own reader.
#include "standin/dxf_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace standin {

namespace {

class DxfOut {
public:
    explicit DxfOut(int decimals) : decimals_(std::clamp(decimals, 0, 16)) {}

    void Text(int code, std::string_view value) {
        Code(code);
        out_.append(value);
        out_ += "\r\n";
    }
    void Int(int code, long value) {
        Code(code);
        std::array<char, 24> buffer{};
        // Flags and counts stand right-aligned in six columns, as CAD programs write them.
        bool aligned = (code >= 60 && code <= 99) || (code >= 280 && code <= 289);
        std::snprintf(buffer.data(), buffer.size(), aligned ? "%6ld" : "%ld", value);
        out_ += buffer.data();
        out_ += "\r\n";
    }
    void Real(int code, double value) {
        Code(code);
        if (value == 0) value = 0; // never "-0.000"
        std::array<char, 400> buffer{};
        auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, decimals_);
        if (result.ec != std::errc())
            result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
        out_.append(buffer.data(), result.ptr);
        out_ += "\r\n";
    }
    void Point(int code, standin::Point p, double z = 0) {
        Real(code, p.x);
        Real(code + 10, p.y);
        Real(code + 20, z);
    }
    // Handles are hexadecimal and never 0; the owner of a table is handle 0.
    std::string NewHandle() {
        std::array<char, 20> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%X", next_++);
        return buffer.data();
    }
    unsigned NextHandle() const { return next_; }
    std::string Take() { return std::move(out_); }

private:
    void Code(int code) {
        std::array<char, 16> buffer{};
        std::snprintf(buffer.data(), buffer.size(), "%3d\r\n", code);
        out_ += buffer.data();
    }
    std::string out_;
    int decimals_;
    unsigned next_ = 0x20; // handles below stay for the fixed objects written first
};

// MTEXT: the text in chunks of at most 250 bytes, never splitting a double-byte character;
// every chunk but the last goes in code 3, the last in code 1.
void WriteMtextText(DxfOut& dxf, const std::string& text) {
    size_t pos = 0;
    while (text.size() - pos > 250) {
        size_t end = pos;
        while (end < text.size()) {
            size_t step = IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
            if (end + step - pos > 250) break;
            end += step;
        }
        dxf.Text(3, std::string_view(text).substr(pos, end - pos));
        pos = end;
    }
    dxf.Text(1, std::string_view(text).substr(pos));
}

void EntityHead(DxfOut& dxf, std::string_view layer, std::string_view type, const std::string& handle,
                const std::string& owner) {
    dxf.Text(0, type);
    dxf.Text(5, handle);
    dxf.Text(330, owner);
    dxf.Text(100, "AcDbEntity");
    dxf.Text(8, layer);
}

// A mirrored polyline's own coordinate system has its X axis along the world's -X.
Vertex Own(const Entity& e, const Vertex& v) { return e.mirrored ? Vertex{-v.x, v.y, -v.bulge} : v; }

void Extrusion(DxfOut& dxf, const Entity& e) {
    if (e.mirrored) dxf.Point(210, {0, 0}, -1);
}

void WriteEntity(DxfOut& dxf, const Entity& e, const std::string& modelSpace, const std::string& handle) {
    switch (e.kind) {
    case EntityKind::Line:
        EntityHead(dxf, e.layer, "LINE", handle, modelSpace);
        dxf.Text(100, "AcDbLine");
        dxf.Point(10, e.start);
        dxf.Point(11, e.end);
        break;
    case EntityKind::Circle:
    case EntityKind::Arc:
        EntityHead(dxf, e.layer, e.kind == EntityKind::Arc ? "ARC" : "CIRCLE", handle, modelSpace);
        dxf.Text(100, "AcDbCircle");
        dxf.Point(10, e.centre);
        dxf.Real(40, e.radius);
        if (e.kind == EntityKind::Arc) {
            dxf.Text(100, "AcDbArc");
            dxf.Real(50, e.startAngle);
            dxf.Real(51, e.endAngle);
        }
        break;
    case EntityKind::LwPolyline:
        EntityHead(dxf, e.layer, "LWPOLYLINE", handle, modelSpace);
        dxf.Text(100, "AcDbPolyline");
        dxf.Int(90, static_cast<long>(e.vertices.size()));
        dxf.Int(70, e.closed ? 1 : 0);
        dxf.Real(43, 0);
        for (const Vertex& world : e.vertices) {
            Vertex v = Own(e, world);
            dxf.Real(10, v.x);
            dxf.Real(20, v.y);
            if (v.bulge != 0) dxf.Real(42, v.bulge);
        }
        Extrusion(dxf, e);
        break;
    case EntityKind::Polyline:
        EntityHead(dxf, e.layer, "POLYLINE", handle, modelSpace);
        dxf.Text(100, "AcDb2dPolyline");
        dxf.Int(66, 1);
        dxf.Point(10, {0, 0});
        dxf.Int(70, e.closed ? 1 : 0);
        Extrusion(dxf, e);
        for (const Vertex& world : e.vertices) {
            Vertex v = Own(e, world);
            EntityHead(dxf, e.layer, "VERTEX", dxf.NewHandle(), handle);
            dxf.Text(100, "AcDbVertex");
            dxf.Text(100, "AcDb2dVertex");
            dxf.Point(10, {v.x, v.y});
            if (v.bulge != 0) dxf.Real(42, v.bulge);
            dxf.Int(70, 0);
        }
        EntityHead(dxf, e.layer, "SEQEND", dxf.NewHandle(), handle);
        break;
    case EntityKind::Ellipse:
        EntityHead(dxf, e.layer, "ELLIPSE", handle, modelSpace);
        dxf.Text(100, "AcDbEllipse");
        dxf.Point(10, e.centre);
        dxf.Point(11, e.majorAxis);
        dxf.Point(210, {0, 0}, 1);
        dxf.Real(40, e.ratio);
        dxf.Real(41, e.startParameter);
        dxf.Real(42, e.endParameter);
        break;
    case EntityKind::Spline:
        EntityHead(dxf, e.layer, "SPLINE", handle, modelSpace);
        dxf.Text(100, "AcDbSpline");
        dxf.Point(210, {0, 0}, 1);
        dxf.Int(70, e.weights.empty() ? 8 : 8 | 4); // planar; rational when weighted
        dxf.Int(71, e.degree);
        dxf.Int(72, static_cast<long>(e.knots.size()));
        dxf.Int(73, static_cast<long>(e.controlPoints.size()));
        dxf.Int(74, 0);
        dxf.Real(42, 1e-10);
        dxf.Real(43, 1e-10);
        for (double k : e.knots) dxf.Real(40, k);
        // Each weight follows its control point, not gathered after the knots: a reader has to
        // take them in file order wherever they stand.
        for (size_t i = 0; i < e.controlPoints.size(); ++i) {
            dxf.Point(10, e.controlPoints[i]);
            if (!e.weights.empty()) dxf.Real(41, e.weights[i]);
        }
        break;
    case EntityKind::Mtext:
        EntityHead(dxf, e.layer, "MTEXT", handle, modelSpace);
        dxf.Text(100, "AcDbMText");
        dxf.Point(10, e.position);
        dxf.Text(7, "Standard"); // before the height, so that a reader taking the later one keeps 40
        dxf.Real(40, e.height);
        dxf.Real(41, e.width);
        dxf.Int(71, e.attachment);
        dxf.Int(72, 1);
        WriteMtextText(dxf, e.text);
        if (e.rotation != 0) dxf.Real(50, e.rotation);
        break;
    }
}

// The head of a symbol table and its records' common part.
std::string TableHead(DxfOut& dxf, std::string_view name, int count) {
    std::string handle = dxf.NewHandle();
    dxf.Text(0, "TABLE");
    dxf.Text(2, name);
    dxf.Text(5, handle);
    dxf.Text(330, "0");
    dxf.Text(100, "AcDbSymbolTable");
    dxf.Int(70, count);
    return handle;
}

std::string RecordHead(DxfOut& dxf, std::string_view type, const std::string& table, std::string_view subclass) {
    std::string handle = dxf.NewHandle();
    dxf.Text(0, type);
    dxf.Text(5, handle);
    dxf.Text(330, table);
    dxf.Text(100, "AcDbSymbolTableRecord");
    dxf.Text(100, subclass);
    return handle;
}

} // namespace

// Far above the handles that one export numbers as it writes.
std::string ObjectHandle(int object) {
    std::array<char, 20> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%X", 0x100000u + static_cast<unsigned>(object));
    return buffer.data();
}

std::string WriteDxf(const std::vector<const Entity*>& entities, int decimals, const std::vector<int>& objects) {
    // The body is written first so that $HANDSEED can name the first free handle; the
    // dictionary handles are fixed below 0x20.
    DxfOut body(decimals);
    Extents extents;
    for (const Entity* e : entities)
        for (Point p : e->kind == EntityKind::Mtext ? LabelBox(*e) : Outline(*e)) extents.Add(p);
    if (extents.empty) extents.Add({0, 0});

    body.Text(0, "SECTION");
    body.Text(2, "CLASSES");
    body.Text(0, "ENDSEC");

    body.Text(0, "SECTION");
    body.Text(2, "TABLES");

    std::string table = TableHead(body, "VPORT", 1);
    RecordHead(body, "VPORT", table, "AcDbViewportTableRecord");
    body.Text(2, "*Active");
    body.Int(70, 0);
    body.Point(10, {0, 0});
    body.Point(11, {1, 1});
    Point middle{(extents.min.x + extents.max.x) / 2, (extents.min.y + extents.max.y) / 2};
    body.Real(12, middle.x);
    body.Real(22, middle.y);
    body.Real(40, std::max(1.0, (extents.max.y - extents.min.y) * 1.1));
    body.Real(41, 1.25);
    body.Text(0, "ENDTAB");

    table = TableHead(body, "LTYPE", 3);
    for (std::string_view name : {"ByBlock", "ByLayer", "Continuous"}) {
        RecordHead(body, "LTYPE", table, "AcDbLinetypeTableRecord");
        body.Text(2, name);
        body.Int(70, 0);
        body.Text(3, name == "Continuous" ? "Solid line" : "");
        body.Int(72, 65);
        body.Int(73, 0);
        body.Real(40, 0);
    }
    body.Text(0, "ENDTAB");

    // Layer 0 always, then every other layer of the entities, in the order they first appear.
    std::vector<std::string_view> layers{"0"};
    for (const Entity* e : entities)
        if (std::find(layers.begin(), layers.end(), e->layer) == layers.end()) layers.push_back(e->layer);
    table = TableHead(body, "LAYER", static_cast<int>(layers.size()));
    for (std::string_view layer : layers) {
        RecordHead(body, "LAYER", table, "AcDbLayerTableRecord");
        body.Text(2, layer);
        body.Int(70, 0);
        body.Int(62, 7);
        body.Text(6, "Continuous");
    }
    body.Text(0, "ENDTAB");

    table = TableHead(body, "STYLE", 1);
    RecordHead(body, "STYLE", table, "AcDbTextStyleTableRecord");
    body.Text(2, "Standard");
    body.Int(70, 0);
    body.Real(40, 0);
    body.Real(41, 1);
    body.Real(50, 0);
    body.Int(71, 0);
    body.Real(42, 2.5);
    body.Text(3, "txt");
    body.Text(4, "");
    body.Text(0, "ENDTAB");

    for (std::string_view name : {"VIEW", "UCS"}) {
        TableHead(body, name, 0);
        body.Text(0, "ENDTAB");
    }

    table = TableHead(body, "APPID", 1);
    RecordHead(body, "APPID", table, "AcDbRegAppTableRecord");
    body.Text(2, "ACAD");
    body.Int(70, 0);
    body.Text(0, "ENDTAB");

    table = TableHead(body, "DIMSTYLE", 1);
    body.Text(100, "AcDbDimStyleTable");
    body.Text(0, "DIMSTYLE");
    body.Text(105, body.NewHandle());
    body.Text(330, table);
    body.Text(100, "AcDbSymbolTableRecord");
    body.Text(100, "AcDbDimStyleTableRecord");
    body.Text(2, "Standard");
    body.Int(70, 0);
    body.Text(0, "ENDTAB");

    table = TableHead(body, "BLOCK_RECORD", 2);
    std::string modelSpace = RecordHead(body, "BLOCK_RECORD", table, "AcDbBlockTableRecord");
    body.Text(2, "*Model_Space");
    std::string paperSpace = RecordHead(body, "BLOCK_RECORD", table, "AcDbBlockTableRecord");
    body.Text(2, "*Paper_Space");
    body.Text(0, "ENDTAB");
    body.Text(0, "ENDSEC");

    body.Text(0, "SECTION");
    body.Text(2, "BLOCKS");
    for (const std::string* owner : {&modelSpace, &paperSpace}) {
        std::string_view name = owner == &modelSpace ? "*Model_Space" : "*Paper_Space";
        EntityHead(body, "0", "BLOCK", body.NewHandle(), *owner);
        body.Text(100, "AcDbBlockBegin");
        body.Text(2, name);
        body.Int(70, 0);
        body.Point(10, {0, 0});
        body.Text(3, name);
        body.Text(1, "");
        EntityHead(body, "0", "ENDBLK", body.NewHandle(), *owner);
        body.Text(100, "AcDbBlockEnd");
    }
    body.Text(0, "ENDSEC");

    body.Text(0, "SECTION");
    body.Text(2, "ENTITIES");
    for (std::size_t i = 0; i < entities.size(); ++i)
        WriteEntity(body, *entities[i], modelSpace, i < objects.size() ? ObjectHandle(objects[i]) : body.NewHandle());
    body.Text(0, "ENDSEC");

    body.Text(0, "SECTION");
    body.Text(2, "OBJECTS");
    // The root dictionary and the empty group dictionary it names, as every drawing has them.
    for (const auto& [handle, owner] : {std::pair{"C", "0"}, std::pair{"D", "C"}}) {
        body.Text(0, "DICTIONARY");
        body.Text(5, handle);
        body.Text(330, owner);
        body.Text(100, "AcDbDictionary");
        body.Int(281, 1);
        if (std::string_view(handle) == "C") {
            body.Text(3, "ACAD_GROUP");
            body.Text(350, "D");
        }
    }
    body.Text(0, "ENDSEC");
    body.Text(0, "EOF");

    DxfOut head(decimals);
    head.Text(0, "SECTION");
    head.Text(2, "HEADER");
    head.Text(9, "$ACADVER");
    head.Text(1, "AC1015");
    head.Text(9, "$DWGCODEPAGE");
    head.Text(3, "ANSI_932");
    head.Text(9, "$INSBASE");
    head.Point(10, {0, 0});
    head.Text(9, "$EXTMIN");
    head.Point(10, extents.min);
    head.Text(9, "$EXTMAX");
    head.Point(10, extents.max);
    head.Text(9, "$TEXTSTYLE");
    head.Text(7, "Standard");
    head.Text(9, "$HANDSEED");
    std::array<char, 20> seed{};
    std::snprintf(seed.data(), seed.size(), "%X", body.NextHandle());
    head.Text(5, seed.data());
    head.Text(0, "ENDSEC");
    return head.Take() + body.Take();
}

} // namespace standin
