// DXF files written by other CAD programs and exporters, read from the shared collection beside
// the project (never copied into it), measured as dxflen measures them, against the collection's
// expected lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "dxf/measure.h"
#include "dxf/reader.h"

namespace vermiq {
namespace {

// expected.tsv was made before ellipses and splines were measured: for these four files it
// gives what the file's other kinds measure. Their first ELLIPSE or SPLINE now decides, and
// these lengths come from tests/dxf/curve_reference.py (mpmath, 40 digits, Cox-de Boor basis
// and tanh-sinh quadrature).
const std::map<std::string, double> kCurveReferences = {
    {"ez_uncommon.dxf", 37.1226118784324065423400090873},    // cubic SPLINE, 14 control points
    {"gdal_assorted.dxf", 118.376051148019645672849571679},  // whole ELLIPSE, ratio 0.279
    {"lm_F100.dxf", 0.973948834349897733282873349253},       // cubic SPLINE, one Bézier span
    {"lm_dragon.dxf", 0.200824804934763134499587968845},     // ELLIPSE arc
};

TEST(RealDxfTest, EveryFileMeasuresAsExpected) {
    const std::string folder = VERMIQ_REALDXF;
    if (folder.empty()) GTEST_SKIP() << "the collection of real DXF files was not found (set VERMIQ_REALDXF)";
    std::ifstream expected(folder + "/expected.tsv");
    ASSERT_TRUE(expected) << "the collection of real DXF files belongs at " << folder;
    std::string line;
    int files = 0;
    EntityTables t;
    while (std::getline(expected, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (line.empty() || tab == std::string::npos) continue;
        const std::string name = line.substr(0, tab);
        const std::string value = line.substr(tab + 1);
        ++files;
        const std::string path = folder + "/files/" + name;
        ASSERT_TRUE(std::ifstream(path).good()) << path;
        ReadDxfEntities(t, path);
        const double length = MeasuredLength(t);
        const auto reference = kCurveReferences.find(name);
        if (reference != kCurveReferences.end()) {
            EXPECT_NEAR(length, reference->second, 1e-12 * reference->second) << name;
        } else if (value == "none") {
            EXPECT_EQ(length, 0.0) << name;
        } else {
            const double want = std::strtod(value.c_str(), nullptr);
            EXPECT_NEAR(length, want, 1e-12 * want) << name;
        }
    }
    EXPECT_EQ(files, 25);
}

} // namespace
} // namespace vermiq
