#pragma once
// Picture files: decoding BMP, GIF, JPEG, PNG and TIFF, told by their
// content, into one 32-bit format; writing them.

#include "formats/filenames.h"

#include <QImage>
#include <QString>

class QIODevice;

namespace platform {

// The largest picture accepted, in pixels (1 GB at 4 bytes a pixel).
constexpr qint64 MaxPicturePixels = qint64(1) << 28;

// Raises the decoder's allocation limit so that very large scans load.
void InitCodecs();

// Refuses a picture size that a file's header claims, before anything is
// allocated for it: past MaxPicturePixels, or more pixels than a file of
// fileBytes bytes can describe.
void CheckClaimedSize(QSize size, qint64 fileBytes);

// Decodes a picture file into Format_RGB32 (a TIFF's first page, by
// libtiff: tiff_decoder.h), transparent pixels flattened onto
// white. Only a regular file is read, in place (mapped_file.h): the checks
// and the decoder read the same bytes, unless the file is written over
// meanwhile, when the decoder trusts the new ones no more than a damaged
// file's; a file cut short while read is refused as incomplete. Fails with a description in Spanish; a file of another
// format, a damaged or cut-off one, and a header that claims more than
// MaxPicturePixels are refused before anything is decoded.
QImage LoadPicture(const QString& path);
QImage LoadPictureFromData(const QByteArray& data);

// Fails with the reason LoadPicture gives when a file could not be read
// (a pipe, a missing file, ...); result is anything but ReadResult::Read.
[[noreturn]] void RaiseUnread(ReadResult result);

// Writes a picture file, a 24-bit BMP unless another format ("png", "tif",
// "jpg") is named, through a new file in the target's folder that takes the
// target's place once complete (see safe_file.h), so that a failed write never
// damages a file that was there and leaves nothing behind; a symbolic link at
// the target is replaced, never followed. A picture in 1-bit or 8-bit grey
// form (see CompactForm) is written as such. Fails with a description in
// Spanish. A JPEG is written at jpegQuality (1 to 100).
void SavePicture(const QImage& picture, const QString& path, const char* format = "bmp", int jpegQuality = 90);

// Throws the failure to write a file: what failed, a colon and the system's
// reason in the user's words (fallback when the error number is not known).
[[noreturn]] void RaiseWriteFailure(const QString& what, int error, const QString& fallback = {});

// The same pixels in the smallest form that holds them exactly: 1 bit a pixel
// when they are all pure black or pure white, 8-bit grey when they are all
// grey, otherwise the RGB32 picture itself.
QImage CompactForm(const QImage& picture);

}  // namespace platform
