// ZRNamedImage: the bundle's image of a given name.
//
// The bundle is the folder that holds the running executable; its images lie
// in its "Resources" folder. A name with a file extension is looked up as it
// stands; a name without one is tried with the usual image extensions (png,
// tiff, tif, jpg, jpeg, gif, bmp, xpm) in that order. A name is a plain file
// name: one that is empty, contains "/" or begins with "." finds nothing.
#pragma once

#include <QImage>
#include <QString>

// The folder the named images are looked up in.
QString ZRResourcesFolder();

// The image of that name, or a null image when there is none or it cannot be
// read.
QImage ZRNamedImage(const QString& name);
