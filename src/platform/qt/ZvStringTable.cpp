#include "platform/qt/ZvStringTable.h"

#include <QFileInfo>
#include <mutex>

#include "platform/qt/ZvBundle.h"

namespace {

const char kTableName[] = "Localizable";
const char kFallbackLanguage[] = "en";

// "Localizable_ja.qm" -> "ja"; "Localizable_pt_BR.qm" -> "pt_BR".
QString LanguageOf(const QString& fileName) {
    const QString base = QFileInfo(fileName).completeBaseName();
    const qsizetype prefix = qsizetype(sizeof(kTableName) - 1) + 1;
    return base.size() > prefix ? base.mid(prefix) : QString();
}

}  // namespace

bool ZvStringTable::Load(const QString& resourcesDir, const QLocale& locale) {
    m_translator.reset();
    m_language.clear();
    if (resourcesDir.isEmpty()) {
        return false;
    }
    auto translator = std::make_unique<QTranslator>();
    const QString name = QString::fromLatin1(kTableName);
    bool loaded = translator->load(locale, name, QStringLiteral("_"), resourcesDir);
    if (!loaded) {
        loaded = translator->load(name + QLatin1Char('_') + QLatin1String(kFallbackLanguage),
                                  resourcesDir);
    }
    if (!loaded) {
        return false;
    }
    m_language = LanguageOf(translator->filePath());
    m_translator = std::move(translator);
    return true;
}

QString ZvStringTable::Text(const char* key) const {
    if (key == nullptr) {
        return QString();
    }
    if (m_translator) {
        const QString text = m_translator->translate(kTableName, key);
        if (!text.isEmpty()) {
            return text;
        }
    }
    return QString::fromUtf8(key);
}

QString ZvStringTable::Localized(const char* key) {
    static std::mutex mutex;
    static ZvStringTable table;
    static QString loadedFor;
    static bool loadedOnce = false;

    std::lock_guard<std::mutex> lock(mutex);
    const QString resources = ZvBundle::ResourcesPath();
    const QLocale locale;
    const QString wanted = locale.name() + QLatin1Char('|') + resources;
    if (!loadedOnce || wanted != loadedFor) {
        table.Load(resources, locale);
        loadedFor = wanted;
        loadedOnce = true;
    }
    return table.Text(key);
}
