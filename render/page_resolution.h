#pragma once
// The resolution of raster pages, shared by the page writers and the command line (which checks
// --dpi even where the writers are not built).

inline constexpr int kDefaultPngDpi = 150;
inline constexpr int kMaxPngDpi = 1200;
