// ZvPreferenceStore: the preferences of one application domain for the
// current user on the current host.
//
// They live in one JSON object per domain and host, in the file
//   $XDG_CONFIG_HOME/zorvane/ByHost/<domain>.<host key>.json
// ($XDG_CONFIG_HOME when it is an absolute path, else ~/.config). The host key
// is the machine id of /etc/machine-id (or /var/lib/dbus/machine-id), so a
// home folder shared between machines keeps one file per machine. Values are
// strings. Every change rewrites the file atomically (a temporary file renamed
// over it), so a reader never sees half a file and no flush is needed; the
// file is left readable by other programs of the user.
#pragma once

#include <QJsonObject>
#include <QString>

class ZvPreferenceStore {
  public:
    // domain must be a plain name ("com.example.saver"): empty, "/" inside or
    // a leading "." make every call fail.
    explicit ZvPreferenceStore(const QString& domain);

    // Stores value under key, keeping the domain's other keys. Answers whether
    // the file was written.
    bool SetValue(const QString& key, const QString& value);

    // The value stored under key; an empty string when there is none.
    QString Value(const QString& key) const;

    // The file of this domain on this host; empty when the domain is not a
    // plain name or no configuration folder can be worked out.
    QString FilePath() const;

    // The current host's key: its machine id, or a stand-in made of letters
    // and digits when the machine has none.
    static QString HostKey();

  private:
    QJsonObject ReadAll() const;

    QString m_domain;
};
