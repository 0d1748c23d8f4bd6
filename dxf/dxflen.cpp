// dxflen: reads a DXF file as a measuring run does and prints the value the run would label.
//   dxflen FILE            the length with 17 significant digits, or "none" when no label is drawn
//   dxflen --counts FILE   the five entity counts
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "dxf/entity_tables.h"
#include "dxf/measure.h"
#include "dxf/reader.h"

namespace {

int Usage() {
    std::fputs("usage: dxflen [--counts] FILE\n", stderr);
    return 2;
}

// "%.17g" without the C library's locale or its platform differences in exponent digits.
std::string SeventeenDigits(double value) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    return std::string(text, r.ptr);
}

} // namespace

int main(int argc, char** argv) {
    bool counts = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--counts") == 0 && !counts) counts = true;
        else if (path == nullptr) path = argv[i];
        else return Usage();
    }
    if (path == nullptr) return Usage();

    vermiq::EntityTables tables;
    try {
        vermiq::ReadDxfEntities(tables, path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    if (counts) {
        std::printf("LineCount %d\nTextCount %d\nArcCount %d\nCircleCount %d\nPolylineCount %d\n",
                    static_cast<int>(tables.LineCount()), static_cast<int>(tables.TextCount()),
                    static_cast<int>(tables.ArcCount()), static_cast<int>(tables.CircleCount()),
                    static_cast<int>(tables.PolylineCount()));
        return 0;
    }
    const double length = vermiq::MeasuredLength(tables);
    if (length > 0) std::printf("%s\n", SeventeenDigits(length).c_str());
    else std::puts("none");
    return 0;
}
