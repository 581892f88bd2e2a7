#pragma once
// The symbols drawn on the buttons' pictures, each fitted into the box given.

#include <QPainter>
#include <QRectF>

void exitIcon(QPainter& p, const QRectF& box);
void folderIcon(QPainter& p, const QRectF& box);
void floppyIcon(QPainter& p, const QRectF& box);
void stopIcon(QPainter& p, const QRectF& box);
void clipboardIcon(QPainter& p, const QRectF& box);
void greyToBlackWhiteIcon(QPainter& p, const QRectF& box);
void whitenIcon(QPainter& p, const QRectF& box);
