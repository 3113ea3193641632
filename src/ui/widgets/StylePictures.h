#pragma once

// Decodes the pictures the desktop's style draws the program's frames with, as PNG, into the
// toolkit's picture cache, where the style looks first: otherwise the style's first frame makes the
// toolkit load every image format plugin just to recognise a PNG file.
namespace StylePictures {
void Preload();
} // namespace StylePictures
