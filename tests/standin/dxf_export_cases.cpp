// Writes, through the stand-in's own DXFOUT dialogue, one DXF file per case and beside it the
// entities that file must hold (in the drawing format), for an independent reader to compare.
// Usage: standin_dxf_export_cases DRAWING OUTDIR
#include "standin/cad_session.h"
#include "standin/drawing.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: standin_dxf_export_cases DRAWING OUTDIR\n";
        return 2;
    }
    try {
        using standin::Drawing;
        std::filesystem::path out = argv[2];
        std::filesystem::create_directories(out);
        Drawing drawing = Drawing::Load(argv[1]);
        int count = static_cast<int>(drawing.Entities().size());
        standin::CadSession session(std::make_unique<Drawing>(drawing), nullptr);
        session.Type("\x03" "FILEDIA 0 ");
        int cases = 0;
        auto exportCase = [&](const std::string& name, const std::string& options, int decimals,
                              const std::vector<int>& expected) {
            std::filesystem::path dxf = out / (name + ".dxf");
            std::filesystem::remove(dxf);
            session.Type("\x03" "DXFOUT \"" + dxf.string() + "\"\r" + options + std::to_string(decimals) + " ");
            if (session.InputPaneText() != "コマンド: " || !std::filesystem::exists(dxf)) {
                std::cerr << name << ": the export did not finish: " << session.InputPaneText() << "\n";
                std::exit(1);
            }
            Drawing subset;
            for (int index : expected) subset.Add(drawing.Entities()[static_cast<size_t>(index)]);
            WriteFile(out / (name + ".expect"), std::to_string(decimals) + "\n" + subset.Format());
            ++cases;
        };
        // Each entity alone, selected as the tool's user selects it, at the tool's precision.
        for (int k = 0; k < count; ++k) {
            session.Type("\x03" "SELECT SI\r");
            session.UserSelects(k);
            exportCase("entity" + std::to_string(k + 1), "VER 2000 OBJ PREV \r", 16, {k});
        }
        // The whole drawing, at a few precisions, without and with the objects option.
        std::vector<int> all;
        for (int k = 0; k < count; ++k) all.push_back(k);
        for (int decimals : {0, 3, 16}) exportCase("all" + std::to_string(decimals), "VER 2000 ", decimals, all);
        exportCase("all_objects", "OBJ ALL \r", 8, all);
        std::cout << cases << " cases written to " << out.string() << "\n";
        return 0;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
