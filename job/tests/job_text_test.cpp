#include "job/job_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "job/job_file.h"

namespace {
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Sets every line of `text` on a new job.
std::vector<std::uint8_t> BytesFromText(const std::string& text) {
    CCaelvaneDoc doc;
    for (const std::string& line : Lines(text)) {
        std::string error;
        EXPECT_TRUE(SetJobField(doc, line, error)) << line << ": " << error;
    }
    return SaveJobBytes(doc);
}

TEST(JobText, DefaultJobLines) {
    CCaelvaneDoc doc;
    const std::vector<std::string> lines = Lines(JobToText(doc));
    ASSERT_EQ(lines.size(), 78u);  // 15 + 4 + 2 + 17 + 20 + 4 + 4 + 4 + 6 + 1 + 1
    EXPECT_EQ(lines.front(), "jobType=1");
    EXPECT_EQ(lines[16], "hotSpotDegree[1]=90");
    EXPECT_EQ(lines[29], "colorSpare=0x00FFFF00");
    EXPECT_EQ(lines[67], "hotSpotLabel[1]=HotSpot2");
    EXPECT_EQ(lines[76], "colorOverlayCircle=0x00FF00FF");
    EXPECT_EQ(lines.back(), "printToDib=0");
}

// Changing one field at a time, in text order, changes the file at ever later offsets: the
// text follows the file's order and names every saved field once.
TEST(JobText, LinesFollowTheFileOrder) {
    CCaelvaneDoc base;
    const std::vector<std::uint8_t> defaults = SaveJobBytes(base);
    std::size_t previous = 0;
    bool first = true;
    for (const std::string& name : JobFieldNames()) {
        CCaelvaneDoc doc;
        std::string error;
        // 3 differs from every default and parses for every kind of field.
        ASSERT_TRUE(SetJobField(doc, name + "=3", error)) << name << ": " << error;
        const std::vector<std::uint8_t> bytes = SaveJobBytes(doc);
        std::size_t at = 0;
        while (at < bytes.size() && at < defaults.size() && bytes[at] == defaults[at]) ++at;
        ASSERT_LT(at, bytes.size()) << name << " changed nothing";
        if (!first) {
            EXPECT_GT(at, previous) << name;
        }
        previous = at;
        first = false;
    }
}

TEST(JobText, ShowOutputSetBackGivesTheSameBytes) {
    struct Case {
        const char* name;
        void (*change)(CCaelvaneDoc&);
    };
    const Case cases[] = {
        {"defaults", [](CCaelvaneDoc&) {}},
        {"control characters and backslashes",
         [](CCaelvaneDoc& d) {
             d.m_note = "line one\nline two\r\n\ttab \\x41 \\\\ \x7F\x01 = sign";
             d.m_hotSpotLabel[0] = "=";
             d.m_hotSpotLabel[1] = std::string(1, '\0');
         }},
        {"high bytes", [](CCaelvaneDoc& d) { d.m_note = "caf\xE9 \xFF\x80"; }},
        {"numbers at their limits",
         [](CCaelvaneDoc& d) {
             d.m_startYear = std::numeric_limits<std::int32_t>::min();
             d.m_endYear = std::numeric_limits<std::int32_t>::max();
             d.m_includeAspects = 255;
             d.m_colorSpare = 0xFFFFFFFFu;
             d.m_hotSpotDegree[0] = 0.1;
             d.m_hotSpotDegree[1] = -0.0;
             d.m_hotSpotDegree[2] = std::numeric_limits<double>::denorm_min();
             d.m_hotSpotDegree[3] = std::numeric_limits<double>::max();
             d.m_customAspect[0] = std::numeric_limits<double>::infinity();
             d.m_customAspect[1] = -std::numeric_limits<double>::infinity();
             d.m_customAspect[2] = std::numeric_limits<double>::quiet_NaN();
             d.m_customAspect[3] = -std::numeric_limits<double>::quiet_NaN();
             const std::uint64_t payloadNan = 0x7FF0000000000123ull;  // signalling, payload 0x123
             std::memcpy(&d.m_overlayStartDegree, &payloadNan, sizeof payloadNan);
         }},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        c.change(doc);
        const std::string text = JobToText(doc);
        EXPECT_EQ(BytesFromText(text), SaveJobBytes(doc)) << c.name << "\n" << text;
        // One line per field, whatever the texts hold.
        EXPECT_EQ(Lines(text).size(), JobFieldNames().size()) << c.name;
    }
}

TEST(JobText, ValueFormats) {
    CCaelvaneDoc doc;
    doc.m_hotSpotDegree[0] = 0.1;
    doc.m_colorBorder = 0x000000AB;
    doc.m_daysBefore = -12;
    doc.m_note = "a\\b\nc";
    const std::uint64_t payloadNan = 0xFFF8000000000001ull;
    std::memcpy(&doc.m_customAspect[0], &payloadNan, sizeof payloadNan);
    const std::string text = JobToText(doc);
    EXPECT_NE(text.find("\nhotSpotDegree[0]=0.10000000000000001\n"), std::string::npos);
    EXPECT_NE(text.find("\ncolorBorder=0x000000AB\n"), std::string::npos);
    EXPECT_NE(text.find("\ndaysBefore=-12\n"), std::string::npos);
    EXPECT_NE(text.find("\nnote=a\\\\b\\x0ac\n"), std::string::npos);
    EXPECT_NE(text.find("\ncustomAspect[0]=-nan(0x8000000000001)\n"), std::string::npos);
}

TEST(JobText, AcceptedSpellings) {
    struct Case {
        const char* assignment;
        const char* line;  // how the field shows afterwards
    };
    const Case cases[] = {
        {"colorBorder=255", "colorBorder=0x000000FF"},
        {"colorBorder=0xff00", "colorBorder=0x0000FF00"},
        {"jobType=+2", "jobType=2"},
        {"jobType=-2147483648", "jobType=-2147483648"},
        {"hotSpotDegree[3]=1e2", "hotSpotDegree[3]=100"},
        {"hotSpotDegree[3]=inf", "hotSpotDegree[3]=inf"},
        {"hotSpotDegree[3]=nan", "hotSpotDegree[3]=nan(0x8000000000000)"},
        {"note=a=b", "note=a=b"},
        {"note=", "note="},
        {"hotSpotLabel[2]=\\x41\\x42", "hotSpotLabel[2]=AB"},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        std::string error;
        ASSERT_TRUE(SetJobField(doc, c.assignment, error)) << c.assignment << ": " << error;
        EXPECT_NE(("\n" + JobToText(doc)).find(std::string("\n") + c.line + "\n"),
                  std::string::npos)
            << c.assignment;
    }
}

TEST(JobText, RefusedAssignmentsLeaveTheJobUnchanged) {
    struct Case {
        const char* assignment;
        const char* errorPart;
    };
    const Case cases[] = {
        {"jobType", "NAME=VALUE"},
        {"m_jobType=1", "unknown field"},
        {"hotSpotDegree[4]=1", "unknown field"},
        {"JobType=1", "unknown field"},
        {"=1", "unknown field"},
        {"jobType=", "malformed value for jobType"},
        {"jobType=1.5", "malformed"},
        {"jobType= 1", "malformed"},
        {"jobType=1 ", "malformed"},
        {"jobType=0x1", "malformed"},
        {"jobType=2147483648", "malformed"},
        {"jobType=-2147483649", "malformed"},
        {"jobType=99999999999999999999999", "malformed"},
        {"useColor=256", "malformed"},
        {"useColor=-1", "malformed"},
        {"colorBorder=0x100000000", "malformed"},
        {"colorBorder=-1", "malformed"},
        {"colorBorder=0x", "malformed"},
        {"hotSpotDegree[0]=", "malformed"},
        {"hotSpotDegree[0]=1.0x", "malformed"},
        {"hotSpotDegree[0]= 1", "malformed"},
        {"hotSpotDegree[0]=nan(0x0)", "malformed"},
        {"hotSpotDegree[0]=nan(0x10000000000000)", "malformed"},
        {"note=trailing\\", "malformed value for note"},
        {"note=\\n", "malformed"},
        {"note=\\x4", "malformed"},
        {"note=\\xZZ", "malformed"},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        const std::string before = JobToText(doc);
        std::string error;
        EXPECT_FALSE(SetJobField(doc, c.assignment, error)) << c.assignment;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.assignment << ": " << error;
        EXPECT_EQ(JobToText(doc), before) << c.assignment;
    }
}

TEST(JobText, EscapingRoundTripsEveryByte) {
    std::string text;
    for (int i = 0; i < 256; ++i) text += static_cast<char>(i);
    text += "\\x41";
    const std::string escaped = EscapeJobText(text);
    EXPECT_EQ(escaped.find('\n'), std::string::npos);
    std::string back;
    ASSERT_TRUE(UnescapeJobText(escaped, back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(EscapeJobText("S&P 500: up"), "S&P 500: up");  // ordinary text stands as it is
}
}  // namespace
