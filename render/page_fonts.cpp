#include "render/page_fonts.h"

#include <unistd.h>

namespace {

// Where Debian and its relatives put them (fonts-liberation, fonts-liberation2, fonts-dejavu).
constexpr const char* kFontFolders[] = {
    "/usr/share/fonts/truetype/liberation", "/usr/share/fonts/truetype/liberation2",
    "/usr/share/fonts/liberation-sans",     "/usr/share/fonts/truetype/dejavu",
    "/usr/share/fonts/dejavu-sans-fonts",   "/usr/share/fonts/TTF"};
constexpr const char* kLiberation[] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf",
                                       "LiberationSans-Italic.ttf",
                                       "LiberationSans-BoldItalic.ttf"};
constexpr const char* kDejaVu[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"};

}  // namespace

std::vector<std::string> PageFontFiles() {
    std::vector<std::string> files;
    bool liberation = false;
    for (const char* folder : kFontFolders) {
        for (const char* name : kLiberation) {
            const std::string path = std::string(folder) + "/" + name;
            if (::access(path.c_str(), R_OK) == 0) {
                files.push_back(path);
                liberation = true;
            }
        }
        for (const char* name : kDejaVu) {
            const std::string path = std::string(folder) + "/" + name;
            if (::access(path.c_str(), R_OK) == 0) files.push_back(path);
        }
    }
    if (!liberation) files.clear();
    return files;
}

PdfFontFiles PdfPageFontFiles() {
    PdfFontFiles files;
    for (const std::string& path : PageFontFiles()) {
        const std::string name = path.substr(path.rfind('/') + 1);
        std::string* slot = name == "LiberationSans-Regular.ttf" ? &files.regular
                            : name == "LiberationSans-Bold.ttf"  ? &files.bold
                            : name == "DejaVuSans.ttf"           ? &files.symbol
                            : name == "DejaVuSans-Bold.ttf"      ? &files.symbolBold
                                                                 : nullptr;
        // The first folder that has a file wins, as fontconfig's order of folders does.
        if (slot && slot->empty()) *slot = path;
    }
    return files;
}
