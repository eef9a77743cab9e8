#pragma once
// The fields of a job, once: every member of CCaelvaneDoc that holds job data, with its text
// name, its kind (and so its width in the job file), whether the file holds it, whether a copy
// of the job takes it, whether the chart copies it before each drawing, and where the user
// edits it. The job file, its text form and CopyFieldsFrom are all driven by this table, so
// adding a field is one row here plus the code that uses it.
//
// The saved rows stand in the order of the job file: the record has no header and no version,
// so their order and widths are the file. Unsaved rows follow them.
//
// Visiting (usable from any library that links caelvane::job):
//
//   ForEachJobField<JobFieldUse::ChartCopy>(doc, [&](const auto& field, auto values) {
//       // field: a JobField<&CCaelvaneDoc::m_...>; field.name, field.kind, field.editor.
//       // values: std::span of the member's elements (one for a plain member), writable when
//       // `doc` is, each of type typename std::remove_cvref_t<decltype(field)>::Value.
//   });
//
// The row's member is part of its type (JobField<Member>::kMember), so a visitor can map it at
// compile time to a member of its own; rows are filtered at compile time, so the visitor is
// only instantiated for rows that have every use asked for.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "job/caelvane_doc.h"

// How a field's value is held; every kind but Text has a fixed width in the job file
// (little-endian; Double is IEEE 754 binary64; Text is single-byte text behind a length prefix).
enum class JobFieldKind : std::uint8_t {
    Int32,   // std::int32_t, 4 bytes, decimal in the text form
    Byte,    // std::uint8_t, 1 byte (the 0/1 flags), decimal in the text form
    Double,  // double, 8 bytes, %.17g in the text form
    Color,   // COLORREF, 4 bytes, 0x%08X in the text form
    Text,    // std::string, variable
};

// Bytes one element takes in the job file; 0 for Text, whose width depends on its length.
constexpr std::size_t JobFieldWidth(JobFieldKind kind) {
    switch (kind) {
        case JobFieldKind::Int32:
        case JobFieldKind::Color:
            return 4;
        case JobFieldKind::Byte:
            return 1;
        case JobFieldKind::Double:
            return 8;
        case JobFieldKind::Text:
            return 0;
    }
    return 0;
}

// What a field takes part in, as a set of bits.
enum class JobFieldUse : unsigned {
    None = 0,
    Saved = 1u << 0,      // in the job file and so in the text form (job show / job new --set)
    Copied = 1u << 1,     // CopyFieldsFrom copies it (a loaded job takes it from the file's record)
    ChartCopy = 1u << 2,  // the chart takes a copy of it into its state before each drawing
};
constexpr JobFieldUse operator|(JobFieldUse a, JobFieldUse b) {
    return static_cast<JobFieldUse>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
// True when `set` holds every use of `wanted` (always for None).
constexpr bool HasJobFieldUses(JobFieldUse set, JobFieldUse wanted) {
    return (static_cast<unsigned>(set) & static_cast<unsigned>(wanted)) ==
           static_cast<unsigned>(wanted);
}

// Where the user changes a field.
enum class JobFieldEditor : std::uint8_t {
    None,       // no control or command of its own
    JobData,    // the "Enter Job Data " dialog
    Aspects,    // the "Select Significant Aspects" dialog
    ColorMenu,  // a colour command of its own (besides the two commands that set all colours)
};

namespace job_fields_detail {
template <typename T>
struct MemberOf;
template <typename T>
struct MemberOf<T CCaelvaneDoc::*> {
    using Type = T;
};

template <typename Value>
consteval bool KindHolds(JobFieldKind kind) {
    switch (kind) {
        case JobFieldKind::Int32:
            return std::is_same_v<Value, std::int32_t>;
        case JobFieldKind::Byte:
            return std::is_same_v<Value, std::uint8_t>;
        case JobFieldKind::Double:
            return std::is_same_v<Value, double>;
        case JobFieldKind::Color:
            return std::is_same_v<Value, COLORREF>;
        case JobFieldKind::Text:
            return std::is_same_v<Value, std::string>;
    }
    return false;
}
}  // namespace job_fields_detail

// One row: the member is the type's parameter, the rest is data.
template <auto Member>
struct JobField {
    using MemberPointer = decltype(Member);  // e.g. std::int32_t CCaelvaneDoc::*
    static constexpr MemberPointer kMember = Member;
    // The declared member type: a value or an array of values.
    using MemberType = typename job_fields_detail::MemberOf<decltype(Member)>::Type;
    using Value = std::remove_extent_t<MemberType>;
    // Elements: the array's length, 1 for a plain member.
    static constexpr std::size_t kCount =
        std::is_array_v<MemberType> ? std::extent_v<MemberType> : 1;

    consteval JobField(const char* fieldName, JobFieldKind fieldKind, JobFieldUse fieldUses,
                       JobFieldEditor fieldEditor)
        : name(fieldName), kind(fieldKind), uses(fieldUses), editor(fieldEditor) {
        // Thrown at compile time: a row whose kind does not describe its member does not build.
        if (!job_fields_detail::KindHolds<Value>(fieldKind)) throw "kind does not fit the member";
    }

    const char* name;  // the member's name without "m_"; arrays take [i] in the text form
    JobFieldKind kind;
    JobFieldUse uses;
    JobFieldEditor editor;

    constexpr bool Has(JobFieldUse wanted) const { return HasJobFieldUses(uses, wanted); }

    // The text form's name of element `index`: the name, or "name[index]" for an array.
    std::string ElementName(std::size_t index) const {
        if constexpr (std::is_array_v<MemberType>) {
            return std::string(name) + "[" + std::to_string(index) + "]";
        } else {
            return name;
        }
    }

    // The member's elements in `doc` (one for a plain member).
    static std::span<Value, kCount> Values(CCaelvaneDoc& doc) {
        if constexpr (std::is_array_v<MemberType>) {
            return std::span<Value, kCount>(doc.*Member);
        } else {
            return std::span<Value, kCount>(&(doc.*Member), kCount);
        }
    }
    static std::span<const Value, kCount> Values(const CCaelvaneDoc& doc) {
        if constexpr (std::is_array_v<MemberType>) {
            return std::span<const Value, kCount>(doc.*Member);
        } else {
            return std::span<const Value, kCount>(&(doc.*Member), kCount);
        }
    }
};

// The row as plain data, for code that looks fields up by name at run time.
struct JobFieldInfo {
    const char* name;
    JobFieldKind kind;
    std::size_t count;  // elements: 1 for a plain member
    JobFieldUse uses;
    JobFieldEditor editor;

    constexpr bool Has(JobFieldUse wanted) const { return HasJobFieldUses(uses, wanted); }
};

namespace job_fields_detail {
// Short names for the table: the usual sets of uses, the kinds and the editors.
constexpr JobFieldUse kSaved = JobFieldUse::Saved | JobFieldUse::Copied;
constexpr JobFieldUse kDrawn = kSaved | JobFieldUse::ChartCopy;
constexpr JobFieldUse kUnsaved = JobFieldUse::Copied;
constexpr JobFieldKind kInt32 = JobFieldKind::Int32;
constexpr JobFieldKind kByte = JobFieldKind::Byte;
constexpr JobFieldKind kDouble = JobFieldKind::Double;
constexpr JobFieldKind kColor = JobFieldKind::Color;
constexpr JobFieldKind kText = JobFieldKind::Text;
constexpr JobFieldEditor kNoEditor = JobFieldEditor::None;
constexpr JobFieldEditor kJobData = JobFieldEditor::JobData;
constexpr JobFieldEditor kAspects = JobFieldEditor::Aspects;
constexpr JobFieldEditor kColorMenu = JobFieldEditor::ColorMenu;

// The name is the member's own, so the text form can never drift from the declaration.
#define CAELVANE_JOB_FIELD(member, ...) JobField<&CCaelvaneDoc::m_##member>(#member, __VA_ARGS__)

// clang-format off
inline constexpr std::tuple kRows{
    // ---- The job file, in its order ----
    CAELVANE_JOB_FIELD(jobType, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(includeAspects, kByte, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(includeNatal, kByte, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(note, kText, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(daysBefore, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(daysAfter, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(startMonth, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(startDay, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(startYear, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(endMonth, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(endDay, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(endYear, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(natalMonth, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(natalDay, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(natalYear, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(hotSpotDegree, kDouble, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(reversePrintOrder, kByte, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(useColor, kByte, kDrawn, kJobData),
    // Seventeen colours here; the overlay circle's follows the overlay settings.
    CAELVANE_JOB_FIELD(colorTitleText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorHeaderText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorBorder, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorWheelLines, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorWheelText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorCurrentText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorCurrentLines, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorNatalText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorSpare, kColor, kSaved, kNoEditor),
    CAELVANE_JOB_FIELD(colorNatalDots, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorJobData, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorNoteText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorAspectLines, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorAspectText, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorAspectHighlights, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorNotice, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(colorMoonBall, kColor, kSaved, kColorMenu),
    CAELVANE_JOB_FIELD(aspectSelected, kInt32, kSaved, kAspects),
    CAELVANE_JOB_FIELD(customAspect, kDouble, kSaved, kAspects),
    CAELVANE_JOB_FIELD(customAspectEnabled, kInt32, kSaved, kAspects),
    CAELVANE_JOB_FIELD(hotSpotLabel, kText, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(useDaylightTime, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(overlayEnabled, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(overlayParts, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(overlayStartDegree, kDouble, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(overlayFirstValue, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(overlayStepSize, kInt32, kDrawn, kJobData),
    CAELVANE_JOB_FIELD(colorOverlayCircle, kColor, kSaved, kColorMenu),
    // Hidden in the dialog, yet exchanged with it.
    CAELVANE_JOB_FIELD(printToDib, kInt32, kSaved, kJobData),

    // ---- Not in the file: a loaded job has them at their construction values ----
    // The price display's fields are written by the price monitor.
    CAELVANE_JOB_FIELD(currentPage, kInt32, kUnsaved | JobFieldUse::ChartCopy, kNoEditor),
    CAELVANE_JOB_FIELD(pageCount, kInt32, kUnsaved, kNoEditor),  // written by every drawing
    CAELVANE_JOB_FIELD(priceMonitorOn, kInt32, kUnsaved, kNoEditor),
    CAELVANE_JOB_FIELD(priceDegree, kDouble, kUnsaved, kNoEditor),
    CAELVANE_JOB_FIELD(priceHour, kInt32, kUnsaved, kNoEditor),
    CAELVANE_JOB_FIELD(priceMinute, kInt32, kUnsaved, kNoEditor),
    CAELVANE_JOB_FIELD(price, kDouble, kUnsaved, kNoEditor),
};
// clang-format on

#undef CAELVANE_JOB_FIELD

inline constexpr std::size_t kRowCount = std::tuple_size_v<decltype(kRows)>;

template <JobFieldUse Uses, std::size_t I, typename Visitor>
constexpr void VisitRow(Visitor& visit) {
    constexpr const auto& row = std::get<I>(kRows);
    if constexpr (row.Has(Uses)) visit(row);
}

template <JobFieldUse Uses, typename Visitor, std::size_t... I>
constexpr void VisitRows(Visitor& visit, std::index_sequence<I...>) {
    (VisitRow<Uses, I>(visit), ...);
}
}  // namespace job_fields_detail

// Calls visit(row) for every row that has all of `Uses`, in table order (the file's order for
// the saved rows).
template <JobFieldUse Uses = JobFieldUse::None, typename Visitor>
constexpr void ForEachJobField(Visitor&& visit) {
    job_fields_detail::VisitRows<Uses>(visit,
                                       std::make_index_sequence<job_fields_detail::kRowCount>());
}

// Calls visit(row, values) for those rows, values being the member's elements in `doc` (const
// when `doc` is).
template <JobFieldUse Uses = JobFieldUse::None, typename Doc, typename Visitor>
requires std::is_same_v<std::remove_const_t<Doc>, CCaelvaneDoc>
void ForEachJobField(Doc& doc, Visitor&& visit) {
    ForEachJobField<Uses>([&](const auto& row) { visit(row, row.Values(doc)); });
}

// Every row as plain data, in table order.
inline constexpr std::array<JobFieldInfo, job_fields_detail::kRowCount> kJobFieldInfos = std::apply(
    [](const auto&... row) {
        return std::array<JobFieldInfo, sizeof...(row)>{
            JobFieldInfo{row.name, row.kind, row.kCount, row.uses, row.editor}...};
    },
    job_fields_detail::kRows);

// The row named `name` (without "m_" and without an index); null when there is none.
constexpr const JobFieldInfo* FindJobField(std::string_view name) {
    for (const JobFieldInfo& info : kJobFieldInfos) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

// Compile-time checks of the table that its consumers rely on.
namespace job_fields_detail {
consteval bool NamesAreUnique() {
    for (std::size_t i = 0; i < kJobFieldInfos.size(); ++i) {
        for (std::size_t j = i + 1; j < kJobFieldInfos.size(); ++j) {
            if (std::string_view(kJobFieldInfos[i].name) == kJobFieldInfos[j].name) return false;
        }
    }
    return true;
}
// The saved rows come first, so the table's order is the file's order.
consteval bool SavedRowsComeFirst() {
    bool unsavedSeen = false;
    for (const JobFieldInfo& info : kJobFieldInfos) {
        if (!info.Has(JobFieldUse::Saved)) {
            unsavedSeen = true;
        } else if (unsavedSeen) {
            return false;
        }
    }
    return true;
}
static_assert(NamesAreUnique(), "two rows share a name");
static_assert(SavedRowsComeFirst(), "a saved row stands after an unsaved one");
}  // namespace job_fields_detail
