#include "config/mainsettings.h"

#include "base/error.h"

#include <QDir>
#include <QFileInfo>

namespace pelorin {

namespace {

// Records each setting as LireConfig applies it, so that a failure leaves the earlier ones in force.
class Recorder : public SettingsTarget
{
public:
    Recorder(MainSettings::Values& values, const std::function<void(const QString&)>& loadModel)
        : m_values(values), m_loadModel(loadModel)
    {
    }
    void setTop(int value) override { m_values.top = value; }
    void setLeft(int value) override { m_values.left = value; }
    void setWidth(int value) override { m_values.width = value; }
    void setHeight(int value) override { m_values.height = value; }
    void setOperatorText(const QString& text) override { m_values.operatorText = text; }
    void setMemoText(const QString& text) override
    {
        QString t = text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_values.memoText = t;
    }
    void loadModel(const QString& path) override
    {
        if (m_loadModel)
            m_loadModel(path);
    }
    void setManualMode(bool on) override { m_values.manual = on; }

private:
    MainSettings::Values& m_values;
    const std::function<void(const QString&)>& m_loadModel;
};

} // namespace

void MainSettings::open()
{
    const bool exists = QFileInfo::exists(ConfigFile::path());
    try {
        m_config.load();
        m_state = State::Loaded;
        return;
    } catch (const Error&) {
        if (exists) {
            // a file we cannot read is left for the operator to repair: the document stays empty and
            // nothing is written over the file, not even at close
            m_state = State::Unreadable;
        } else {
            // no file at all: empty lists, in memory only; closing writes a complete file
            m_state = State::Missing;
            m_config.startEmpty();
        }
        throw;
    }
}

void MainSettings::read(const std::function<void(const QString&)>& loadModel)
{
    m_values = Values();
    if (m_state != State::Loaded)
        return;
    Recorder recorder(m_values, loadModel);
    m_config.LireConfig(recorder);
}

QRect MainSettings::geometry(const QRect& defaults) const
{
    return QRect(m_values.left.value_or(defaults.left()), m_values.top.value_or(defaults.top()),
                 qMax(m_values.width.value_or(defaults.width()), 200),
                 qMax(m_values.height.value_or(defaults.height()), 150));
}

void MainSettings::listsEdited()
{
    if (m_state != State::Loaded && m_config.isLoaded() && QFileInfo::exists(ConfigFile::path()))
        m_state = State::Loaded;
}

void MainSettings::save(const Current& now)
{
    if (m_state == State::Unreadable || m_config.savingRefused())
        return;
    Form1Settings s;
    s.haut = now.geometry.top();
    s.gauche = now.geometry.left();
    s.largeur = now.geometry.width();
    s.hauteur = now.geometry.height();
    s.eleve = now.operatorText;
    s.memo1 = now.memoText;
    s.modele = now.model;
    s.codeManu = now.manual;
    const bool textsRead = m_values.memoText.has_value();
    if ((!textsRead && !(now.operatorTyped && now.memoTyped)) || now.model.isEmpty()) {
        const Form1Settings stored = m_config.storedTexts();
        if (!textsRead && !now.operatorTyped)
            s.eleve = stored.eleve;
        if (!textsRead && !now.memoTyped)
            s.memo1 = stored.memo1;
        if (now.model.isEmpty())
            s.modele = stored.modele;
    }
    if (m_state == State::Missing)
        QDir().mkpath(QFileInfo(ConfigFile::path()).absolutePath());
    m_config.SaveConfig(s);
}

} // namespace pelorin
