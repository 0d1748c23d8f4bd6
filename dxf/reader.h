// Reads the entities of a text DXF file (version 2000, as the CAD exports a selection) into
// EntityTables: LINE, TEXT, MTEXT, ARC, CIRCLE, POLYLINE with its VERTEX records, LWPOLYLINE,
// ELLIPSE, SPLINE and the STYLE table. Everything else in the file is passed over, meshes too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
// the tables then hold what was read before the failing pair. tables.ReachedEof tells whether
// the file was whole. The file is read piece by piece through a buffer of kDxfBufferBytes.
std::int32_t ReadDxfEntities(EntityTables& tables, const std::string& path);

// The same over a DXF text already in memory (a NUL byte ends it).
std::int32_t ReadDxfText(EntityTables& tables, std::string_view text);

// The same over a text handed over piece by piece: read(buffer, room) puts up to `room` bytes
// of it into `buffer` and returns how many, 0 at its end; it may throw. The pieces pass through
// one buffer of `bufferBytes`, larger only for a pair that is longer. `sizeHint`, the size of
// the whole text when known, only guides how much room the tables reserve.
inline constexpr std::size_t kDxfBufferBytes = 64 * 1024;
using DxfPieceReader = std::function<std::size_t(char* buffer, std::size_t room)>;
std::int32_t ReadDxfPieces(EntityTables& tables, const DxfPieceReader& read, std::size_t sizeHint,
                           std::size_t bufferBytes = kDxfBufferBytes);

// Fixed height of the first style of the latest read whose name is `name` (exact bytes),
// 0.0 when none is.
double LookupStyleHeight(const EntityTables& tables, std::string_view name);

// Removes the MTEXT codes \P \O \o \L \l, and \T...; \C...; up to their semicolon. Other
// formatting stays.
std::string StripMtextCodes(std::string text);

} // namespace vermiq
