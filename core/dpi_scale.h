// Pixel sizes at a display's DPI. The code and the settings file give sizes
// at 96 dots per inch (100 %); a window on a monitor of another DPI scales
// them when it uses them, and sizes it stores go back to 96 dpi, so that a
// settings file moves between machines unchanged.
#pragma once

constexpr int base_dpi = 96;

// A 96-dpi size at `dpi`, rounded to the nearest pixel (halves away from
// zero); a DPI of 0 or less counts as 96.
int dpi_scale(int size96, int dpi);
// A size at `dpi` back at 96 dpi, rounded the same way: dpi_unscale of
// dpi_scale gives the size back at every DPI from 96 up.
int dpi_unscale(int size, int dpi);
// A font's height (LOGFONT pixels, negative for the character height) made
// at `from_dpi`, for `to_dpi`. Fonts are sized in points: a height that is
// a whole number of points at `from_dpi` is that many points at `to_dpi`,
// as the system makes a dialog's font there (8 points: 11 pixels at 96 dpi,
// 16 at 144, 21 at 192); any other height is scaled.
int font_height_at_dpi(int height, int from_dpi, int to_dpi);
