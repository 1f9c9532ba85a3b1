// Turns a ProfileHeader into the 332-byte header of a .ppr file and back.
//
// The file image, little-endian, offsets in bytes:
//     0   6  opaque, kept as loaded
//     6 270  deviceName: CP932 text, NUL-terminated; the bytes behind the
//            terminator up to 275 are kept as loaded
//   276   1  colorTypeCount (signed)     277  3 filler   280 4 reference (0)
//   284   1  resolutionCount (signed)    285  3 filler   288 4 reference (0)
//   292   4  nextInkId
//   296   2  inkCount (signed)           298  2 filler   300 4 reference (0)
//   304   4  nextMediaId
//   308   2  mediaCount (signed)         310  2 filler   312 4 reference (0)
//   316   2  bitsPerPixelCount (signed)  318  2 filler   320 4 reference (0)
//   324   2  correctionCount (signed)    326  2 filler   328 4 reference (0)
// The six tables follow directly, in the order COLORTYPE (12-byte rows),
// RESOLTAB (16), INKTAB (532), MEDIATAB (532), BITSPPTAB (12),
// CORRECTTAB (3700), each with its count of rows and no gaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "profile/records.h"

// Writes the file image of `header` into `image`: every byte as held in
// memory, the six references as 4-byte zeros.
void EncodeProfileHeader(const ProfileHeader& header, uint8_t (&image)[kProfileHeaderSize]);

// Reads a file image into `header`; its six table pointers become null.
void DecodeProfileHeader(const uint8_t (&image)[kProfileHeaderSize], ProfileHeader& header);

// Returns the size in bytes of a profile file with the header's counts:
// 332 + the rows of the six tables. Negative counts give -1.
int64_t ProfileFileSize(const ProfileHeader& header);

// Returns the header's deviceName converted from CP932 to UTF-16 (at most 259
// units), reading no further than its 270 bytes even without a terminator.
std::u16string DeviceNameText(const ProfileHeader& header);
