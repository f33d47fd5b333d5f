// ZvBundle: where the running program finds its own resources and the Library
// folders of the three domains, as QStrings for the Qt side.
//
// The main bundle and the Library folders are those of the platform layer
// (platform/places.h), so the Qt side and the file side always agree, tests
// that move the main bundle included.
#pragma once

#include <QString>
#include <cstdint>

class ZvBundle {
  public:
    // The main bundle's Resources folder, without a trailing "/"; empty when
    // it does not exist.
    static QString ResourcesPath();

    // The path of the object (file or folder) called name in the Resources
    // folder, or an empty string when there is none. With caseInsensitive a
    // name that differs only in letter case is found too; an exact match
    // wins. name must be a plain name: empty, "/" inside or a leading "."
    // finds nothing.
    static QString FindResource(const QString& name, bool caseInsensitive = false);

    // The Library folder of kUserDomain, kLocalDomain or kSystemDomain,
    // without a trailing "/", whether or not it exists; empty for any other
    // domain or when it cannot be worked out.
    static QString LibraryPath(std::int16_t domain);
};
