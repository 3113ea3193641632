#pragma once

// Group box frames drawn in lines where the desktop's style would draw them from a PNG picture:
// decoding it maps the PNG library, and the style's own first load of it makes the toolkit load
// every image format plugin just to recognise the file.
namespace DrawnFrames {
void Install();
} // namespace DrawnFrames
