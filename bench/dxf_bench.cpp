// DXF reading benchmark: generates a file of 200 000 LINE entities (about 33 MB) and one of a
// single LWPOLYLINE of 1 000 000 bulged vertices (about 69 MB), then reads each with this
// project's reader and with dxflib, and prints throughput and peak memory of both.
//
// Each reading runs in a fresh child process (this program started again with --child), which
// reports its best time over a few reads and the peak resident size of its own address space
// (VmHWM): so one reader's memory never counts against the other's, nor the generator's.
//
//   dxf_bench [DIR]        files are generated in DIR (default: the current folder) when missing
#include <dl_creationadapter.h>
#include <dl_dxf.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dxf/measure.h"
#include "dxf/reader.h"

extern char** environ;

namespace {

constexpr int kRuns = 5;
constexpr double kMegabyte = 1e6;

double Megabytes(long kilobytes) { return static_cast<double>(kilobytes) * 1024.0 / kMegabyte; }

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

// ---- the two readers, in a child process ---------------------------------------------------

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

// <chrono> cannot be used here: its "µs" literal does not exist in code page 932.
double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long PeakResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Prints "seconds length peak_kb" for the best of kRuns reads.
int Child(const std::string& reader, const std::string& path) {
    double best = 1e300;
    double length = 0.0;
    for (int run = 0; run < (reader == "idle" ? 0 : kRuns); ++run) {
        const double start = Now();
        if (reader == "vermiq") {
            vermiq::EntityTables tables;
            vermiq::ReadDxfEntities(tables, path);
            best = std::min(best, Now() - start);
            length = vermiq::MeasuredLength(tables);
        } else {
            PeerTables tables;
            DL_Dxf dxf;
            if (!dxf.in(path, &tables)) return 1;
            best = std::min(best, Now() - start);
            length = tables.Length();
        }
    }
    std::printf("%.6f %.17g %ld\n", best, length, PeakResidentKb());
    return 0;
}

struct Result {
    double seconds = 0;
    double length = 0;
    long peakKb = 0;
};

Result RunChild(const char* self, const std::string& reader, const std::string& path) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string childFlag = "--child";
    std::vector<char*> args = {const_cast<char*>(self), const_cast<char*>(childFlag.c_str()),
                               const_cast<char*>(reader.c_str()), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) throw std::runtime_error("cannot start the reading process");
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Result r;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || std::sscanf(out.c_str(), "%lf %lf %ld", &r.seconds, &r.length, &r.peakKb) != 3)
        throw std::runtime_error(reader + " failed on " + path);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return Child(argv[2], argv[3]);
    try {
        const std::filesystem::path dir = argc > 1 ? argv[1] : ".";
        std::filesystem::create_directories(dir);
        const std::string self = std::filesystem::canonical("/proc/self/exe").string();
        struct Input {
            const char* name;
            void (*generate)(const std::string&);
        };
        const Input inputs[] = {{"lines_200k.dxf", GenerateLines}, {"lwpolyline_1m_bulged.dxf", GeneratePolyline}};

        const Result idle = RunChild(self.c_str(), "idle", "-");
        std::printf("MB = 10^6 bytes; best of %d reads; peak = VmHWM of the reading process, which alone\n"
                    "(reading nothing) has %.1f MB\n\n", kRuns, Megabytes(idle.peakKb));
        std::printf("%-26s %8s  %-7s %9s %9s %10s %10s  %s\n", "file", "MB", "reader", "best s", "MB/s", "peak MB",
                    "peak/size", "length");
        bool met = true;
        for (const Input& input : inputs) {
            const std::string path = (dir / input.name).string();
            if (!std::filesystem::exists(path)) {
                std::fprintf(stderr, "generating %s\n", path.c_str());
                input.generate(path);
            }
            const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / kMegabyte;
            const Result ours = RunChild(self.c_str(), "vermiq", path);
            const Result peer = RunChild(self.c_str(), "dxflib", path);
            for (const auto& [name, r] : {std::pair{"vermiq", ours}, std::pair{"dxflib", peer}}) {
                std::printf("%-26s %8.1f  %-7s %9.3f %9.1f %10.1f %10.2f  %.17g\n", input.name, megabytes, name,
                            r.seconds, megabytes / r.seconds, Megabytes(r.peakKb), Megabytes(r.peakKb) / megabytes, r.length);
            }
            const double speedup = peer.seconds / ours.seconds;
            const double memory = Megabytes(ours.peakKb) / megabytes;
            std::printf("%-26s throughput %.1f x dxflib's (needed: 3), peak memory %.2f x the file (allowed: 2)%s\n\n",
                        input.name, speedup, memory, speedup >= 3 && memory <= 2 ? "" : "  NOT MET");
            met = met && speedup >= 3 && memory <= 2;
        }
        return met ? 0 : 3;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dxf_bench: %s\n", e.what());
        return 1;
    }
}
