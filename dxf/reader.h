// Reads the entities of a text DXF file (version 2000, as the CAD exports a selection) into
// EntityTables: LINE, TEXT, MTEXT, ARC, CIRCLE, POLYLINE with its VERTEX records, LWPOLYLINE,
// ELLIPSE, SPLINE and the STYLE table. Everything else in the file is passed over, meshes too.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dxf/entity_tables.h"

namespace vermiq {

// A file that exists but cannot be opened or read. what() (code page 932) names the path and
// the system's reason.
class FileOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the tables with the entities of the file at `path` (an 8-bit path in the system's
// code page) and returns LineCount. No file at `path` is no error: all counts 0, result 0.
// Throws FileOpenError, or ConversionError for a group code or number that does not convert;
// the tables then hold what was read before the failing pair.
std::int32_t ReadDxfEntities(EntityTables& tables, const std::string& path);

// The same over a DXF text already in memory (a NUL byte ends it).
std::int32_t ReadDxfText(EntityTables& tables, std::string_view text);

// Fixed height of the first style of the latest read whose name is `name` (exact bytes),
// 0.0 when none is.
double LookupStyleHeight(const EntityTables& tables, std::string_view name);

// Removes the MTEXT codes \P \O \o \L \l, and \T...; \C...; up to their semicolon. Other
// formatting stays.
std::string StripMtextCodes(std::string text);

} // namespace vermiq
