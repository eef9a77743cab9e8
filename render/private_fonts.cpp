#include "render/private_fonts.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <set>

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string PrivateFontConfigXml(const std::vector<std::string>& fontFiles) {
    std::set<std::string> folders;
    for (const std::string& file : fontFiles) folders.insert(file.substr(0, file.rfind('/')));
    std::string xml =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
    for (const std::string& folder : folders) xml += "<dir>" + Escaped(folder) + "</dir>\n";
    xml +=
        "<cachedir>/var/cache/fontconfig</cachedir>\n"
        "<cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
        "<selectfont><acceptfont>\n";
    for (const std::string& file : fontFiles) xml += "<glob>" + Escaped(file) + "</glob>\n";
    xml +=
        "</acceptfont><rejectfont><glob>*</glob></rejectfont></selectfont>\n"
        // Debian's defaults, as /etc/fonts/conf.d has them.
        "<match target=\"pattern\"><edit name=\"hintstyle\" "
        "mode=\"append\"><const>hintslight</const></edit></match>\n"
        "<match target=\"pattern\"><edit name=\"antialias\" "
        "mode=\"append\"><bool>true</bool></edit></match>\n"
        "<match target=\"pattern\"><edit name=\"lcdfilter\" "
        "mode=\"append\"><const>lcddefault</const></edit></match>\n"
        "<match target=\"font\"><test name=\"family\"><string>DejaVu Sans</string></test>"
        "<test name=\"pixelsize\" compare=\"less\"><double>7.5</double></test>"
        "<edit name=\"hinting\"><bool>false</bool></edit></match>\n"
        // "Arial" and the generic families: Liberation Sans, then DejaVu Sans for what it lacks.
        "<alias binding=\"same\"><family>Arial</family><accept><family>Liberation "
        "Sans</family></accept></alias>\n"
        "<alias><family>sans-serif</family><prefer><family>Liberation Sans</family>"
        "<family>DejaVu Sans</family></prefer></alias>\n"
        "<alias><family>Liberation Sans</family><default><family>sans-serif</family>"
        "</default></alias>\n"
        "<alias><family>serif</family><prefer><family>Liberation Sans</family></prefer></alias>\n"
        "<alias><family>monospace</family><prefer><family>Liberation "
        "Sans</family></prefer></alias>\n"
        "</fontconfig>\n";
    return xml;
}

bool UsePrivateFontConfig() {
    const char* file = std::getenv("FONTCONFIG_FILE");
    const char* system = std::getenv("CAELVANE_SYSTEM_FONTS");
    if ((file != nullptr && *file != '\0') || (system != nullptr && std::string(system) == "1"))
        return false;
    const std::vector<std::string> files = PageFontFiles();
    if (files.empty()) return false;
    FcConfig* config = FcConfigCreate();
    if (config == nullptr) return false;
    const std::string xml = PrivateFontConfigXml(files);
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(xml.c_str()),
                                        FcTrue) ||
        !FcConfigBuildFonts(config) || !FcConfigSetCurrent(config)) {
        FcConfigDestroy(config);
        return false;
    }
    // The current configuration holds its own reference now.
    FcConfigDestroy(config);
    return true;
}
