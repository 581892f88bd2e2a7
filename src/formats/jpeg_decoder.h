#pragma once
// JPEG files decoded by libjpeg-turbo itself, which reports what the file
// lacks or gets wrong instead of filling it in with grey.

#include <QByteArray>
#include <QImage>

namespace platform {

// The picture a whole JPEG file holds, in Format_RGB32, with its resolution,
// comments and colour profile. The pixels are those libjpeg-turbo gives at its
// most exact settings (accurate integer transform, smooth upsampling of the
// colour planes); a CMYK file's inks are multiplied by its black.
//
// Fails with a description in Spanish: "Imagen dañada o incompleta: ..." when
// the decoder finds the data corrupt or cut short, or a progressive file has
// more scans than any encoder writes; a size the loader refuses (see
// CheckClaimedSize) before any memory is set aside for the pixels.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace platform
