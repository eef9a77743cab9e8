#include "job/job_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "job/job_file.h"
#include "job/job_text.h"
#include "platform/document.h"

namespace {
// A value of the same type that differs from `value`, and from the value any other seed gives.
std::int32_t Changed(std::int32_t value, int seed) {
    return value + 1000 + seed;
}
std::uint8_t Changed(std::uint8_t value, int seed) {
    return static_cast<std::uint8_t>(value + 1 + seed % 200);
}
double Changed(double value, int seed) {
    return value + 0.5 + seed;
}
COLORREF Changed(COLORREF value, int seed) {
    return value ^ (0x00010101u * static_cast<COLORREF>(seed % 255 + 1));
}
std::string Changed(const std::string& value, int seed) {
    return value + "#" + std::to_string(seed);
}

// The value as a NAME=VALUE line writes it.
std::string AsText(std::int32_t value) {
    return std::to_string(value);
}
std::string AsText(std::uint8_t value) {
    return std::to_string(value);
}
std::string AsText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}
std::string AsText(COLORREF value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08" PRIX32, value);
    return buffer;
}
std::string AsText(const std::string& value) {
    return value;
}

// Element names ("hotSpotDegree[2]") whose values differ between the two jobs, in table order.
std::vector<std::string> Differences(const CCaelvaneDoc& a, const CCaelvaneDoc& b) {
    std::vector<std::string> names;
    ForEachJobField(a, [&](const auto& row, auto values) {
        const auto others = row.Values(b);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!(values[i] == others[i])) names.push_back(row.ElementName(i));
        }
    });
    return names;
}

// Every element of every row changed, each to a value of its own.
void ChangeEveryElement(CCaelvaneDoc& doc) {
    int seed = 0;
    ForEachJobField(doc, [&](const auto&, auto values) {
        for (auto& value : values) value = Changed(value, ++seed);
    });
}

std::string Join(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

// The rows tile the document's own storage: between two members there is at most the padding
// the second one's alignment needs, so a member added without a row leaves a gap and fails
// here (one small enough to hide in padding would escape).
TEST(JobFields, EveryMemberOfTheJobHasARow) {
    struct Extent {
        std::size_t offset, size, align;
        std::string name;
    };
    CCaelvaneDoc doc;
    std::vector<Extent> extents;
    ForEachJobField(doc, [&](const auto& row, auto values) {
        using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
        const auto offset =
            reinterpret_cast<const char*>(values.data()) - reinterpret_cast<const char*>(&doc);
        extents.push_back(
            {static_cast<std::size_t>(offset), sizeof(Member), alignof(Member), row.name});
    });
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.offset < b.offset; });
    std::size_t end = std::min(extents.front().offset, sizeof(CDocument));
    for (const Extent& extent : extents) {
        ASSERT_GE(extent.offset, end) << extent.name << " overlaps the member before it";
        EXPECT_LT(extent.offset - end, extent.align)
            << "a member without a row before " << extent.name;
        end = extent.offset + extent.size;
    }
    EXPECT_LT(sizeof(CCaelvaneDoc) - end, alignof(CCaelvaneDoc)) << "a member without a row at "
                                                                    "the end";
}

// The widths the table gives add up to the record, whatever the texts hold.
TEST(JobFields, SavedWidthsAddUpToTheRecord) {
    struct Case {
        const char* name;
        void (*change)(CCaelvaneDoc&);
    };
    const Case cases[] = {
        {"defaults", [](CCaelvaneDoc&) {}},
        {"every element changed", ChangeEveryElement},
        {"empty labels, note of 254",
         [](CCaelvaneDoc& d) {
             d.m_note.assign(254, 'n');
             for (std::string& label : d.m_hotSpotLabel) label.clear();
         }},
    };
    for (const Case& c : cases) {
        CCaelvaneDoc doc;
        c.change(doc);
        std::size_t size = 0;
        ForEachJobField<JobFieldUse::Saved>(doc, [&](const auto& row, auto values) {
            for (const auto& value : values) {
                if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, std::string>) {
                    size += 1 + value.size();  // the one-byte prefix of a text under 255
                } else {
                    size += JobFieldWidth(row.kind);
                }
            }
        });
        EXPECT_EQ(size, SaveJobBytes(doc).size()) << c.name;
    }
}

TEST(JobFields, CopyFieldsFromTakesEveryRow) {
    CCaelvaneDoc source;
    ChangeEveryElement(source);
    source.SetPathName("/source.cvj");
    CCaelvaneDoc target;
    target.SetPathName("/target.cvj");
    const CCaelvaneDoc defaults;
    ASSERT_EQ(Differences(defaults, source).size(), 85u);  // 78 saved elements, 7 unsaved

    target.CopyFieldsFrom(source);
    for (const JobFieldInfo& info : kJobFieldInfos) {
        EXPECT_TRUE(info.Has(JobFieldUse::Copied)) << info.name;
    }
    EXPECT_EQ(Join(Differences(target, source)), "");
    EXPECT_EQ(target.GetPathName(), "/target.cvj");
}

// A loaded job takes every saved row from the record and every other row from a new job,
// whatever the document held before.
TEST(JobFields, LoadedJobTakesOnlyTheSavedRowsFromTheFile) {
    CCaelvaneDoc saved;
    ChangeEveryElement(saved);
    CCaelvaneDoc loaded;
    ChangeEveryElement(loaded);
    ChangeEveryElement(loaded);
    std::string error;
    ASSERT_TRUE(LoadJobBytes(SaveJobBytes(saved), loaded, error)) << error;

    const CCaelvaneDoc fresh;
    std::vector<std::string> fromFile;
    ForEachJobField<JobFieldUse::Saved>([&](const auto& row) {
        for (std::size_t i = 0; i < row.kCount; ++i) fromFile.push_back(row.ElementName(i));
    });
    std::vector<std::string> unsaved;
    for (const JobFieldInfo& info : kJobFieldInfos) {
        if (!info.Has(JobFieldUse::Saved)) unsaved.push_back(info.name);
    }
    // Saved differs from a new job exactly in the saved elements; loaded takes those.
    EXPECT_EQ(Differences(loaded, fresh), fromFile);
    EXPECT_EQ(Join(Differences(loaded, saved)), Join(unsaved));
    EXPECT_EQ(Join(unsaved),
              "currentPage pageCount priceMonitorOn priceDegree priceHour "
              "priceMinute price");
}

// Every line of the text form reaches the element it names and no other: the names, the
// indexes and the kinds of the text form come from the rows.
TEST(JobFields, EachTextLineSetsItsOwnElement) {
    std::vector<std::string> names;
    int seed = 0;
    const CCaelvaneDoc defaults;
    ForEachJobField<JobFieldUse::Saved>(defaults, [&](const auto& row, auto values) {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::string name = row.ElementName(i);
            names.push_back(name);
            const auto value = Changed(values[i], ++seed);
            CCaelvaneDoc doc;
            std::string error;
            ASSERT_TRUE(SetJobField(doc, name + "=" + AsText(value), error)) << name << error;
            EXPECT_EQ(Join(Differences(doc, defaults)), name);
            EXPECT_TRUE(row.Values(doc)[i] == value) << name;
        }
    });
    EXPECT_EQ(names, JobFieldNames());
}

TEST(JobFields, ChartCopiesAndLookups) {
    const CCaelvaneDoc doc;
    std::vector<std::string> copied;
    ForEachJobField<JobFieldUse::ChartCopy>(doc, [&](const auto& row, auto values) {
        static_assert(std::is_const_v<typename decltype(values)::element_type>);
        EXPECT_TRUE(row.Has(JobFieldUse::Copied)) << row.name;
        copied.push_back(row.name);
    });
    // What every drawing takes from the job before it draws, in table order.
    EXPECT_EQ(Join(copied),
              "jobType includeAspects includeNatal note daysBefore daysAfter startMonth startDay "
              "startYear endMonth endDay endYear natalMonth natalDay natalYear hotSpotDegree "
              "reversePrintOrder useColor hotSpotLabel useDaylightTime overlayEnabled "
              "overlayParts overlayStartDegree overlayFirstValue overlayStepSize currentPage");

    const JobFieldInfo* degrees = FindJobField("hotSpotDegree");
    ASSERT_NE(degrees, nullptr);
    EXPECT_EQ(degrees->kind, JobFieldKind::Double);
    EXPECT_EQ(degrees->count, 4u);
    EXPECT_EQ(degrees->editor, JobFieldEditor::JobData);
    EXPECT_TRUE(degrees->Has(JobFieldUse::Saved | JobFieldUse::ChartCopy));
    ASSERT_NE(FindJobField("colorSpare"), nullptr);
    EXPECT_EQ(FindJobField("colorSpare")->kind, JobFieldKind::Color);
    EXPECT_FALSE(FindJobField("currentPage")->Has(JobFieldUse::Saved));
    for (const char* missing : {"hotSpotDegree[0]", "m_note", "Note", "", "title"}) {
        EXPECT_EQ(FindJobField(missing), nullptr) << missing;
    }
}
}  // namespace
