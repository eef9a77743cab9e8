#pragma once
// A PDF document written page by page as it is drawn: each page's content stream deflated and
// handed to the sink when the page ends, the fonts (subsets of the glyphs drawn) and the page
// tree at the end. Nothing of a finished page stays in memory but its object numbers.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/pdf/pdf_font.h"

// The font files text is drawn with: the page face (what "Arial" means here) and the symbol
// face (the glyphs the page face lacks), each normal and bold. A missing file is empty; its
// text then takes another of them.
struct PdfFontFiles {
    std::string regular;
    std::string bold;
    std::string symbol;
    std::string symbolBold;
};

// Which of the four a text asks for.
enum class PdfFontSlot { Regular = 0, Bold = 1, Symbol = 2, SymbolBold = 3 };

class CPdfDocument {
public:
    // Bytes are handed to `sink` as they are produced; a sink that returns false stops the
    // document (every later call fails).
    using Sink = std::function<bool(std::string_view bytes)>;
    CPdfDocument(Sink sink, PdfFontFiles fonts, std::string title);
    ~CPdfDocument();
    CPdfDocument(const CPdfDocument&) = delete;
    CPdfDocument& operator=(const CPdfDocument&) = delete;

    // A page of the given size in points (1/72 inch); its content stream is Content() until
    // EndPage.
    void BeginPage(double widthPoints, double heightPoints);
    std::string& Content() { return m_content; }
    bool EndPage();
    // Writes the fonts, the page tree and the cross-reference table. The document is complete
    // only when this returns true.
    bool Finish();
    // Why a call returned false.
    const std::string& Error() const { return m_error; }
    int PageCount() const { return static_cast<int>(m_pages.size()); }

    // The font of a slot, or the nearest one present (the other weight, then the other face);
    // nullptr when no font could be read (Error() says why). Its resource name is "/F" and the
    // number Resource() gives.
    CPdfFont* Font(PdfFontSlot slot);
    int Resource(const CPdfFont* font) const;

    // The zlib stream (RFC 1950) of `bytes`, at the document's level; valid until the next
    // call. Empty when it could not be made.
    std::string_view Deflate(std::string_view bytes);

private:
    int NewObject();
    bool Emit(std::string_view bytes);
    bool BeginObject(int number);
    bool WriteStream(int number, std::string_view dictionary, std::string_view data, bool compress);
    bool WriteFont(int slot);

    Sink m_sink;
    PdfFontFiles m_files;
    std::string m_title;
    std::string m_error;
    bool m_failed = false;
    std::size_t m_offset = 0;              // bytes handed to the sink so far
    std::vector<std::size_t> m_positions;  // by object number; 0 not yet written
    std::vector<int> m_pages;              // page objects
    std::string m_content;
    std::string m_buffer;
    std::string m_packed;
    double m_pageWidth = 0, m_pageHeight = 0;
    std::array<std::unique_ptr<CPdfFont>, 4> m_fonts;
    std::array<bool, 4> m_fontTried{};
    std::array<int, 4> m_fontObject{};  // the Type0 font's object number, 0 while unused
    void* m_compressor = nullptr;       // libdeflate_compressor
};

// A number as PDF writes it: at most `decimals` places, no trailing zeros, no exponent.
void AppendPdfNumber(std::string& out, double value, int decimals = 3);
void AppendPdfInteger(std::string& out, long long value);
// A text string for the document information: literal when printable ASCII, else UTF-16BE.
std::string PdfTextString(std::string_view utf8);
// The code points of UTF-8 text; a byte that starts no valid sequence stands for itself
// (Latin-1), so that no text is lost.
std::u32string DecodeUtf8(std::string_view text);
