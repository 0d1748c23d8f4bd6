// DXF reading benchmark: generates a file of 200 000 LINE entities (about 33 MB) and one of a
// single LWPOLYLINE of 1 000 000 bulged vertices (about 69 MB), then measures dxflen and dxflib
// reading each, side by side.
//
// Every reading is a fresh process: dxflen itself, or dxflib in this program started again with
// --child. What is reported is what the kernel accounts to that process alone (wait4): user and
// system CPU time and the peak resident size. Other load on a shared machine disturbs CPU time
// far less than wall time, but still does (shared caches, clock rates); the runs of the readers
// alternate, so that a busy spell hits all of them, and the median of each is shown.
//
//   dxf_bench [--before DXFLEN] [DIR]   files are generated in DIR (default: the current folder)
//                                       when missing; --before adds an earlier build of dxflen
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dxf/measure.h"
#include "dxf/reader.h"

extern char** environ;

namespace {

constexpr int kRuns = 7;
constexpr double kMegabyte = 1e6;
constexpr double kAimSpeedup = 8.0;    // dxflib's CPU time over dxflen's, at least
constexpr double kAimFileShare = 0.5;  // peak at most this share of the file, plus the tables

// ---- generation -------------------------------------------------------------------------

class Writer {
public:
    explicit Writer(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        if (!file_) throw std::runtime_error("cannot write " + path);
    }
    ~Writer() { std::fclose(file_); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void Pair(int code, const char* value) { std::fprintf(file_, "%3d\n%s\n", code, value); }
    void Real(int code, double value, int decimals) { std::fprintf(file_, "%3d\n%.*f\n", code, decimals, value); }

    // What the CAD writes around the entities of a selection export.
    void Head() {
        for (const char* pair : {"0|SECTION", "2|HEADER", "9|$ACADVER", "1|AC1015", "9|$DWGCODEPAGE", "3|ANSI_932",
                                 "0|ENDSEC", "0|SECTION", "2|TABLES", "0|TABLE", "2|STYLE", "70|1", "0|STYLE",
                                 "2|Standard", "70|0", "40|0.0", "41|1.0", "0|ENDTAB", "0|ENDSEC", "0|SECTION",
                                 "2|BLOCKS", "0|ENDSEC", "0|SECTION", "2|ENTITIES"})
            Split(pair);
    }
    void Tail() {
        for (const char* pair : {"0|ENDSEC", "0|SECTION", "2|OBJECTS", "0|DICTIONARY", "5|C", "0|ENDSEC", "0|EOF"})
            Split(pair);
    }

private:
    void Split(const char* pair) {
        const char* bar = std::strchr(pair, '|');
        Pair(std::atoi(pair), bar + 1);
    }
    std::FILE* file_;
};

void GenerateLines(const std::string& path) {
    Writer w(path);
    w.Head();
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> coordinate(0.0, 9999.0);
    char handle[16];
    for (int i = 0; i < 200000; ++i) {
        w.Pair(0, "LINE");
        std::snprintf(handle, sizeof handle, "%X", 0x100 + i);
        w.Pair(5, handle);
        w.Pair(330, "1F");
        w.Pair(100, "AcDbEntity");
        w.Pair(8, "0");
        w.Pair(100, "AcDbLine");
        w.Real(10, coordinate(random), 12);
        w.Real(20, coordinate(random), 12);
        w.Pair(30, "0.0");
        w.Real(11, coordinate(random), 12);
        w.Real(21, coordinate(random), 12);
        w.Pair(31, "0.0");
    }
    w.Tail();
}

void GeneratePolyline(const std::string& path) {
    Writer w(path);
    w.Head();
    constexpr int kVertices = 1000000;
    w.Pair(0, "LWPOLYLINE");
    w.Pair(5, "100");
    w.Pair(330, "1F");
    w.Pair(100, "AcDbEntity");
    w.Pair(8, "0");
    w.Pair(100, "AcDbPolyline");
    w.Pair(90, std::to_string(kVertices).c_str());
    w.Pair(70, "0");
    w.Pair(43, "0.0");
    std::mt19937_64 random(2);
    std::uniform_real_distribution<double> step(-1.0, 1.0);
    std::uniform_real_distribution<double> bulge(-0.9, 0.9);
    double x = 5000.0, y = 5000.0;
    for (int i = 0; i < kVertices; ++i) {
        w.Real(10, x, 14);
        w.Real(20, y, 14);
        w.Real(42, bulge(random), 14);
        x += step(random);
        y += step(random);
    }
    w.Tail();
}

// ---- the readers ---------------------------------------------------------------------

// dxflib hands every entity and vertex to an adapter; this one keeps what the tool needs.
class PeerTables : public DL_CreationAdapter {
public:
    void addLine(const DL_LineData& line) override { lines.push_back(line); }
    void addArc(const DL_ArcData& arc) override { arcs.push_back(arc); }
    void addCircle(const DL_CircleData& circle) override { circles.push_back(circle); }
    void addPolyline(const DL_PolylineData& polyline) override {
        polylines.push_back(polyline);
        vertices.emplace_back();
    }
    void addVertex(const DL_VertexData& vertex) override {
        if (!vertices.empty()) vertices.back().push_back(vertex);
    }

    // The same rule as the tool's: the last kind present decides (circles and arcs unused here).
    double Length() const {
        double length = 0.0;
        if (!lines.empty()) {
            const DL_LineData& l = lines.front();
            length = vermiq::SegmentLength(l.x1, l.y1, l.x2, l.y2, 0.0);
        }
        if (!vertices.empty()) {
            length = 0.0;
            const auto& v = vertices.front();
            for (std::size_t i = 1; i < v.size(); ++i) length += vermiq::SegmentLength(v[i - 1].x, v[i - 1].y, v[i].x, v[i].y, v[i - 1].bulge);
        }
        return length;
    }

    std::vector<DL_LineData> lines;
    std::vector<DL_ArcData> arcs;
    std::vector<DL_CircleData> circles;
    std::vector<DL_PolylineData> polylines;
    std::vector<std::vector<DL_VertexData>> vertices;
};

// One read with dxflib, printing the length as dxflen does.
int Child(const std::string& path) {
    PeerTables tables;
    DL_Dxf dxf;
    if (!dxf.in(path, &tables)) return 1;
    std::printf("%.17g\n", tables.Length());
    return 0;
}

struct Run {
    double user = 0;   // s
    double system = 0; // s
    double peakMb = 0;
    std::string output;
    double Cpu() const { return user + system; }
};

// Runs `args` to its end; its exit status must be `expectedStatus`.
Run Spawn(const std::vector<std::string>& args, int expectedStatus = 0) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    Run run;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) run.output.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != expectedStatus)
        throw std::runtime_error(args[0] + " failed on " + args.back());
    run.user = static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) * 1e-6;
    run.system = static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) * 1e-6;
    run.peakMb = static_cast<double>(usage.ru_maxrss) * 1024.0 / kMegabyte; // kilobytes on Linux
    while (!run.output.empty() && run.output.back() == '\n') run.output.pop_back();
    return run;
}

template <class Table>
std::size_t Bytes(const Table& table) { return table.capacity() * sizeof(typename Table::value_type); }

// What the entity tables of a read of `path` hold on the heap: their records and vertex lists.
double TablesMb(const std::string& path) {
    vermiq::EntityTables t;
    vermiq::ReadDxfEntities(t, path);
    std::size_t bytes = Bytes(t.LineTable) + Bytes(t.TextTable) + Bytes(t.ArcTable) + Bytes(t.CircleTable) +
                        Bytes(t.PolylineTable) + Bytes(t.EllipseTable) + Bytes(t.SplineTable) + Bytes(t.StyleTable);
    for (const auto& polyline : t.PolylineTable) bytes += Bytes(polyline.Vertices);
    return static_cast<double>(bytes) / kMegabyte;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Reader {
    std::string name;
    std::vector<std::string> command; // the file's path follows
    std::vector<Run> runs;

    double MedianOf(double (*field)(const Run&)) const {
        std::vector<double> values;
        for (const Run& run : runs) values.push_back(field(run));
        return Median(values);
    }
    double User() const { return MedianOf([](const Run& r) { return r.user; }); }
    double System() const { return MedianOf([](const Run& r) { return r.system; }); }
    double Cpu() const { return MedianOf([](const Run& r) { return r.Cpu(); }); }
    double BestCpu() const {
        double best = 1e300;
        for (const Run& run : runs) best = std::min(best, run.Cpu());
        return best;
    }
    double PeakMb() const { return MedianOf([](const Run& r) { return r.peakMb; }); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2]);
    try {
        std::string before;
        std::filesystem::path dir = ".";
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) before = argv[++i];
            else dir = argv[i];
        }
        std::filesystem::create_directories(dir);
        const std::string self = std::filesystem::canonical("/proc/self/exe").string();
        std::vector<Reader> readers = {{"dxflen", {VERMIQ_DXFLEN}, {}}};
        if (!before.empty()) readers.push_back({"dxflen before", {std::filesystem::canonical(before).string()}, {}});
        readers.push_back({"dxflib", {self, "--child"}, {}});

        // Each program reading nothing (dxflen printing its usage): the floor of its peak.
        const double dxflenIdle = Spawn({VERMIQ_DXFLEN}, 2).peakMb;
        const double selfIdle = Spawn({self, "--child", "/nonexistent"}, 1).peakMb;
        std::printf("MB = 10^6 bytes. Per reader and file, %d runs, each a fresh process, the runs of the readers\n"
                    "alternating: median user and system CPU time (wait4) and median peak resident size. The\n"
                    "machine may be shared: CPU times rise under load, less than wall time but still; compare\n"
                    "readers within one run of this program. A process that reads nothing peaks at %.1f MB\n"
                    "(dxflen) and %.1f MB (the dxflib child).\n\n", kRuns, dxflenIdle, selfIdle);

        struct Input {
            const char* name;
            void (*generate)(const std::string&);
        };
        const Input inputs[] = {{"lines_200k.dxf", GenerateLines}, {"lwpolyline_1m_bulged.dxf", GeneratePolyline}};
        bool met = true;
        for (const Input& input : inputs) {
            const std::string path = (dir / input.name).string();
            if (!std::filesystem::exists(path)) {
                std::fprintf(stderr, "generating %s\n", path.c_str());
                input.generate(path);
            }
            const double fileMb = static_cast<double>(std::filesystem::file_size(path)) / kMegabyte;
            const double tablesMb = TablesMb(path);
            for (Reader& reader : readers) reader.runs.clear();
            for (int run = 0; run < kRuns; ++run) {
                for (Reader& reader : readers) {
                    std::vector<std::string> command = reader.command;
                    command.push_back(path);
                    reader.runs.push_back(Spawn(command));
                }
            }
            const double peerCpu = readers.back().Cpu();
            std::printf("%s: %.1f MB, entity tables %.1f MB\n", input.name, fileMb, tablesMb);
            std::printf("  %-14s %7s %7s %7s %8s %8s %9s %13s  %s\n", "reader", "user s", "sys s", "cpu s", "best cpu",
                        "peak MB", "peak/file", "dxflib/cpu", "length");
            for (const Reader& reader : readers) {
                std::printf("  %-14s %7.3f %7.3f %7.3f %8.3f %8.1f %9.2f %12.1fx  %s\n", reader.name.c_str(), reader.User(),
                            reader.System(), reader.Cpu(), reader.BestCpu(), reader.PeakMb(), reader.PeakMb() / fileMb,
                            peerCpu / reader.Cpu(), reader.runs.front().output.c_str());
            }
            const Reader& ours = readers.front();
            const double speedup = peerCpu / ours.Cpu();
            const double allowedMb = kAimFileShare * fileMb + tablesMb;
            const bool fileMet = speedup >= kAimSpeedup && ours.PeakMb() <= allowedMb;
            std::printf("  aim: dxflen at least %.0fx dxflib (%.1fx), peak at most %.1f x the file + the tables = %.1f MB"
                        " (%.1f MB)%s\n\n", kAimSpeedup, speedup, kAimFileShare, allowedMb, ours.PeakMb(),
                        fileMet ? "" : "  NOT MET");
            met = met && fileMet;
        }
        return met ? 0 : 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dxf_bench: %s\n", e.what());
        return 1;
    }
}
