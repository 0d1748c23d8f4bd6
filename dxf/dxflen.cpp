// dxflen: reads a DXF file as a measuring run does and prints the value the run would label.
//   dxflen FILE            the length with 17 significant digits, or "none" when no label is drawn
//   dxflen --counts FILE   the entity counts of each kind
//   dxflen --total FILE    the sum of the lengths of every measurable element
//   dxflen --area FILE     a closed element's area in place of its length; with --total, the
//                          sum of the areas of the closed elements (lengths when none is closed)
//   dxflen --table FILE    the take-off table by layer and kind, tab-separated, numbers with 17
//                          significant digits, before the factor
// Unlike the run, for which a missing export means only that there is nothing to measure, a
// person naming a file that is not there, or a folder, or a binary DXF, is told so (status 1);
// so is one cut short before its 0/EOF pair, whose figures would look right and be wrong.
// Messages are the program's own (code page 932), printed in UTF-8 on Linux and in the
// console's code page on Windows; a path goes out as the system gave it.
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#ifdef _WIN32
#include "common/win32_text.h"
#else
#include <iconv.h>

#include "common/cp932.h"
#endif

#include "dxf/entity_tables.h"
#include "dxf/measured_value.h"
#include "dxf/reader.h"
#include "dxf/takeoff.h"

namespace {

int Usage() {
    std::fputs("usage: dxflen [--counts | --table | [--total] [--area]] FILE\n", stderr);
    return 2;
}

// "%.17g" without the C library's locale or its platform differences in exponent digits.
std::string SeventeenDigits(double value) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
    return std::string(text, r.ptr);
}

// The program's code-page-932 text in the encoding of the terminal.
std::string ForConsole(std::string_view text) {
#ifdef _WIN32
    const UINT console = GetConsoleOutputCP();
    if (console == 0 || console == GetACP() || text.empty()) return std::string(text);
    const std::wstring wide = vermiq::win32::Widen(text);
    const int n = WideCharToMultiByte(console, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(console, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
#else
    // Character by character, so that a byte that is no code-page-932 character (a UTF-8 DXF
    // quoted in an error) costs only itself.
    std::string out;
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    for (std::size_t i = 0; i < text.size();) {
        char in[2] = {text[i], i + 1 < text.size() ? text[i + 1] : '\0'};
        const std::size_t bytes = vermiq::IsCp932LeadByte(static_cast<unsigned char>(in[0])) && i + 1 < text.size() ? 2 : 1;
        char utf8[8];
        char* inPtr = in;
        char* outPtr = utf8;
        std::size_t inLeft = bytes, outLeft = sizeof utf8;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out += '?';
        } else {
            out.append(utf8, static_cast<std::size_t>(outPtr - utf8));
        }
        i += bytes;
    }
    iconv_close(cd);
    return out;
#endif
}

// Prints a message that may quote `path`: the path keeps its bytes, the rest is converted.
void PrintError(std::string_view message, std::string_view path) {
    std::string out;
#ifdef _WIN32
    out = ForConsole(message); // the path is in the system code page as well
    (void)path;
#else
    for (std::size_t at; !path.empty() && (at = message.find(path)) != std::string_view::npos;) {
        out += ForConsole(message.substr(0, at));
        out += path;
        message.remove_prefix(at + path.size());
    }
    out += ForConsole(message);
#endif
    std::fprintf(stderr, "%s\n", out.c_str());
}

// What stands in the way of reading `path` as a text DXF, or an empty text.
std::string ProblemWith(const std::string& path) {
#ifdef _WIN32
    struct _stat64 st{};
    const bool exists = _stat64(path.c_str(), &st) == 0;
#else
    struct stat st{};
    const bool exists = stat(path.c_str(), &st) == 0;
#endif
    if (!exists) return "ファイル \"" + path + "\" が見つかりません";
    if ((st.st_mode & S_IFMT) == S_IFDIR) return "\"" + path + "\" はフォルダーです。DXF ファイルを指定してください";
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        // A binary DXF starts with this sentinel (then CR LF, SUB, NUL).
        static constexpr char kBinarySentinel[] = "AutoCAD Binary DXF";
        char head[sizeof kBinarySentinel - 1] = {};
        const std::size_t got = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
        if (got == sizeof head && std::memcmp(head, kBinarySentinel, sizeof head) == 0)
            return "ファイル \"" + path + "\" はバイナリ DXF です。バイナリ DXF には対応していません";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    bool counts = false, table = false;
    vermiq::MeasureRules rules;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--counts") == 0 && !counts) counts = true;
        else if (std::strcmp(argv[i], "--table") == 0 && !table) table = true;
        else if (std::strcmp(argv[i], "--total") == 0 && !rules.total) rules.total = true;
        else if (std::strcmp(argv[i], "--area") == 0 && !rules.area) rules.area = true;
        else if (path == nullptr) path = argv[i];
        else return Usage();
    }
    const int modes = static_cast<int>(counts) + static_cast<int>(table) + static_cast<int>(rules.total || rules.area);
    if (path == nullptr || modes > 1) return Usage();

    const std::string problem = ProblemWith(path);
    if (!problem.empty()) {
        PrintError(problem, path);
        return 1;
    }
    vermiq::EntityTables tables;
    try {
        vermiq::ReadDxfEntities(tables, path);
    } catch (const std::exception& e) {
        PrintError(e.what(), path);
        return 1;
    }
    if (!tables.ReachedEof) {
        PrintError("ファイル \"" + std::string(path) + "\" は途中で終わっています。DXF の終わり (0/EOF) がありません", path);
        return 1;
    }
    if (counts) {
        std::printf("LineCount %d\nTextCount %d\nArcCount %d\nCircleCount %d\nPolylineCount %d\nEllipseCount %d\n"
                    "SplineCount %d\n",
                    static_cast<int>(tables.LineCount()), static_cast<int>(tables.TextCount()),
                    static_cast<int>(tables.ArcCount()), static_cast<int>(tables.CircleCount()),
                    static_cast<int>(tables.PolylineCount()), static_cast<int>(tables.EllipseCount()),
                    static_cast<int>(tables.SplineCount()));
        return 0;
    }
    if (table) {
        // The lines as the console writes them: its own line ends, not the clipboard's CR LF.
        const std::string text = vermiq::TakeOffText(vermiq::TakeOffByLayer(tables),
                                                     [](double value, bool) { return SeventeenDigits(value); });
        std::string lines;
        for (const char c : text)
            if (c != '\r') lines += c;
        std::fputs(ForConsole(lines).c_str(), stdout);
        return 0;
    }
    const double length = vermiq::MeasureForLabel(tables, rules).value;
    if (length > 0) std::printf("%s\n", SeventeenDigits(length).c_str());
    else std::puts("none");
    return 0;
}
