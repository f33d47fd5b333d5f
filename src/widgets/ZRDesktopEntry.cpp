#include "widgets/ZRDesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const char kMainGroup[] = "[Desktop Entry]";

QString EnvFolder(const char* name, const QString& fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

// Resolves the string escapes of a value: \s \n \t \r \\. Any other backslash
// is kept with the character after it, so the Exec quoting rules still see it.
QString UnescapeValue(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            default:
                out += QLatin1Char('\\');
                out += next;
        }
    }
    return out;
}

bool IsExecSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// Inside double quotes a backslash escapes these characters only.
bool IsQuotedEscape(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
           c == QLatin1Char('\\');
}

bool IsDeprecatedCode(QChar c) {
    return QStringLiteral("dDnNvm").contains(c);
}

// Resolves "%%" in the program name; any other field code there is an error.
bool ExpandPercentOnly(const QString& text, QString* out) {
    out->clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('%')) {
            *out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('%')) {
            *out += text[++i];
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

QStringList ZRDesktopEntry::ApplicationFolders() {
    QStringList bases;
    bases << EnvFolder("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
    bases << EnvFolder("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
                 .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList folders;
    for (const QString& base : bases) {
        if (QDir::isAbsolutePath(base)) {
            folders << QDir::cleanPath(base) + QStringLiteral("/applications");
        }
    }
    return folders;
}

QString ZRDesktopEntry::FindFile(const QString& identifier) {
    if (identifier.isEmpty() || identifier.startsWith(QLatin1Char('.')) ||
        identifier.contains(QLatin1Char('/')) || identifier.contains(QChar(0))) {
        return QString();
    }
    for (const QString& folder : ApplicationFolders()) {
        const QString path = folder + QLatin1Char('/') + identifier + QStringLiteral(".desktop");
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return QString();
}

bool ZRDesktopEntry::Load(const QString& path) {
    m_FilePath = path;
    m_Values.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool inMainGroup = false;
    bool sawMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = (line == QLatin1String(kMainGroup));
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0) {
            continue;
        }
        const QString key = line.left(equals).trimmed();
        if (!key.contains(QLatin1Char('[')) && !m_Values.contains(key)) {
            m_Values.insert(key, UnescapeValue(line.mid(equals + 1).trimmed()));
        }
    }
    return sawMainGroup;
}

bool ZRDesktopEntry::BoolValue(const QString& key) const {
    return Value(key) == QLatin1String("true");
}

bool ZRDesktopEntry::SplitExec(const QString& exec, QStringList* arguments) {
    arguments->clear();
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                       IsQuotedEscape(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (IsExecSpace(c)) {
            if (inArgument) {
                arguments->append(current);
                current.clear();
                inArgument = false;
            }
        } else {
            inArgument = true;
            if (c == QLatin1Char('"')) {
                inQuotes = true;
            } else {
                current += c;
            }
        }
    }
    if (inQuotes) {
        arguments->clear();
        return false;
    }
    if (inArgument) {
        arguments->append(current);
    }
    return true;
}

bool ZRDesktopEntry::ExpandArgument(const QString& argument, const QUrl& url, QStringList* out,
                                    bool* usedUrl) const {
    if (argument == QLatin1String("%i")) {
        if (!Value(QStringLiteral("Icon")).isEmpty()) {
            *out << QStringLiteral("--icon") << Value(QStringLiteral("Icon"));
        }
        return true;
    }
    if (argument.size() == 2 && argument[0] == QLatin1Char('%') && IsDeprecatedCode(argument[1])) {
        return true;
    }
    QString expanded;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != QLatin1Char('%')) {
            expanded += argument[i];
            continue;
        }
        if (i + 1 == argument.size()) {
            return false;
        }
        const QChar code = argument[++i];
        switch (code.unicode()) {
            case '%':
                expanded += QLatin1Char('%');
                break;
            case 'u':
            case 'U':
                expanded += url.toString(QUrl::FullyEncoded);
                *usedUrl = true;
                break;
            case 'f':
            case 'F':
                if (!url.isLocalFile()) {
                    return false;
                }
                expanded += url.toLocalFile();
                *usedUrl = true;
                break;
            case 'c':
                expanded += Value(QStringLiteral("Name"));
                break;
            case 'k':
                expanded += m_FilePath;
                break;
            default:
                if (!IsDeprecatedCode(code)) {
                    return false;
                }
        }
    }
    out->append(expanded);
    return true;
}

bool ZRDesktopEntry::CommandFor(const QUrl& url, QStringList* command) const {
    command->clear();
    QStringList arguments;
    if (!SplitExec(Value(QStringLiteral("Exec")), &arguments) || arguments.isEmpty()) {
        return false;
    }
    // The program itself never comes from a field code.
    QString program;
    if (!ExpandPercentOnly(arguments.takeFirst(), &program)) {
        return false;
    }
    QStringList expanded{program};
    bool usedUrl = false;
    for (const QString& argument : arguments) {
        if (!ExpandArgument(argument, url, &expanded, &usedUrl)) {
            return false;
        }
    }
    if (!usedUrl) {
        expanded << url.toString(QUrl::FullyEncoded);
    }
    *command = expanded;
    return true;
}
