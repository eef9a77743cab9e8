// The font reader (FreeType) for the PDF writer, loaded when a document first opens a font: with
// it come libpng, zlib and Brotli, which positions, events and traces never use
// (lazy_library.h).
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "cli/lazy_library.h"

namespace {

const CLazyLibrary& Library() {
    static const CLazyLibrary library("libfreetype.so.6");
    return library;
}

template <typename Function>
Function* Freetype(const char* name) {
    return Library().Find<Function>(name);
}

}  // namespace

extern "C" {

// Without the library no font opens: the writer reports the font it could not read.
FT_Error FT_Init_FreeType(FT_Library* library) {
    static auto* const real = Freetype<decltype(FT_Init_FreeType)>("FT_Init_FreeType");
    return real != nullptr ? real(library) : FT_Err_Cannot_Open_Resource;
}

FT_Error FT_Done_FreeType(FT_Library library) {
    static auto* const real = Freetype<decltype(FT_Done_FreeType)>("FT_Done_FreeType");
    return real != nullptr ? real(library) : FT_Err_Invalid_Library_Handle;
}

FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long index, FT_Face* face) {
    static auto* const real = Freetype<decltype(FT_New_Face)>("FT_New_Face");
    return real != nullptr ? real(library, path, index, face) : FT_Err_Cannot_Open_Resource;
}

FT_Error FT_Done_Face(FT_Face face) {
    static auto* const real = Freetype<decltype(FT_Done_Face)>("FT_Done_Face");
    return real != nullptr ? real(face) : FT_Err_Invalid_Face_Handle;
}

FT_Error FT_Load_Glyph(FT_Face face, FT_UInt glyph, FT_Int32 flags) {
    static auto* const real = Freetype<decltype(FT_Load_Glyph)>("FT_Load_Glyph");
    return real != nullptr ? real(face, glyph, flags) : FT_Err_Invalid_Face_Handle;
}

FT_UInt FT_Get_Char_Index(FT_Face face, FT_ULong code) {
    static auto* const real = Freetype<decltype(FT_Get_Char_Index)>("FT_Get_Char_Index");
    return real != nullptr ? real(face, code) : 0;
}

const char* FT_Get_Postscript_Name(FT_Face face) {
    static auto* const real = Freetype<decltype(FT_Get_Postscript_Name)>("FT_Get_Postscript_Name");
    return real != nullptr ? real(face) : nullptr;
}

void* FT_Get_Sfnt_Table(FT_Face face, FT_Sfnt_Tag tag) {
    static auto* const real = Freetype<decltype(FT_Get_Sfnt_Table)>("FT_Get_Sfnt_Table");
    return real != nullptr ? real(face, tag) : nullptr;
}

FT_Error FT_Load_Sfnt_Table(FT_Face face, FT_ULong tag, FT_Long offset, FT_Byte* buffer,
                            FT_ULong* length) {
    static auto* const real = Freetype<decltype(FT_Load_Sfnt_Table)>("FT_Load_Sfnt_Table");
    return real != nullptr ? real(face, tag, offset, buffer, length) : FT_Err_Invalid_Face_Handle;
}

}  // extern "C"
