#include "launch/ServerConfig.h"

#include "profiles/PageRules.h"
#include "profiles/Profile.h"
#include "support/AppError.h"
#include "support/Installation.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

namespace {

// A deathmatch box and its dmflags bit. Some bits forbid a thing, so they are set while the box is unchecked;
// either way a greyed box leaves its bit alone.
struct FlagBox {
    Qt::CheckState Profile::*box;
    int bit;
    bool setWhenChecked;
};

constexpr FlagBox flagBoxes[] = {
    {&Profile::health, 1, false},         {&Profile::powerups, 2, false},       {&Profile::weaponStay, 4, true},
    {&Profile::falling, 8, false},        {&Profile::instPower, 16, true},      {&Profile::sameMap, 32, true},
    {&Profile::friendlyFire, 256, false}, {&Profile::spawnFarthest, 512, true}, {&Profile::forceRespawn, 1024, true},
    {&Profile::allowArmor, 2048, false},  {&Profile::allowExit, 4096, true},    {&Profile::infiniteAmmo, 8192, true},
    {&Profile::quadDrop, 16384, true},    {&Profile::fixedFov, 32768, true},
};

constexpr int TeamsBySkin = 64;
constexpr int TeamsByModel = 128;

QString onOff(Qt::CheckState state)
{
    return isChecked(state) ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

int dmflagsValue(const Profile& settings)
{
    int flags = 0;
    for (const FlagBox& f : flagBoxes) {
        const Qt::CheckState state = settings.*(f.box);
        if ((f.setWhenChecked && state == Qt::Checked) || (!f.setWhenChecked && state == Qt::Unchecked))
            flags += f.bit;
    }
    if (settings.teamplay == 1)
        flags += TeamsBySkin;
    else if (settings.teamplay >= 2)
        flags += TeamsByModel;
    return flags;
}

QString empathyFactorText(double factor)
{
    return QString::number(factor, 'g', 15);
}

void ConfigScript::writeSetLine(const QString& name, const QString& value)
{
    m_lines.append(QStringLiteral("set ") + name + QStringLiteral(" \"") + value + u'"');
}

void ConfigScript::writeBindLine(const QString& command, const QString& key)
{
    m_lines.append(QStringLiteral("bind ") + key + QStringLiteral(" \"") + command + QStringLiteral("\";"));
}

void ConfigScript::writeLine(const QString& line)
{
    m_lines.append(line);
}

void checkScriptValues(const Profile& s)
{
    const auto refuse = [](const QString& field, const QString& what) {
        throw AppError(QStringLiteral("The ") + field + QStringLiteral(" contains ") + what +
                       QStringLiteral(", which the game cannot read."));
    };
    const QString quote = QStringLiteral("a double quote");
    if (s.host.contains(u'"'))
        refuse(QStringLiteral("host name"), quote);
    if (s.password.contains(u'"'))
        refuse(QStringLiteral("password"), quote);
    if (isChecked(s.remoteConsole) && s.rconPassword.contains(u'"'))
        refuse(QStringLiteral("remote console password"), quote);
    if (s.skipKey.contains(u'"'))
        refuse(QStringLiteral("skip key"), quote);
    if (s.skipKey.contains(u';'))
        refuse(QStringLiteral("skip key"), QStringLiteral("a semicolon"));
}

QStringList serverConfigLines(const Profile& s)
{
    ConfigScript script;
    script.writeSetLine(QStringLiteral("fraglimit"), s.fragLimit);
    script.writeSetLine(QStringLiteral("timelimit"), s.timeLimit);
    script.writeSetLine(QStringLiteral("dmflags"), QString::number(dmflagsValue(s)));
    script.writeSetLine(QStringLiteral("maxclients"), s.maxClients);
    script.writeSetLine(QStringLiteral("timeout"), s.timeOut);
    script.writeSetLine(QStringLiteral("hostname"), s.host);
    script.writeSetLine(QStringLiteral("password"), s.password);
    script.writeSetLine(QStringLiteral("cheats"), onOff(s.allowCheat));
    script.writeSetLine(QStringLiteral("kickback"), QString::number(s.kickback * 50));
    if (!s.skipKey.isEmpty())
        script.writeBindLine(QStringLiteral("sv skip"), s.skipKey);
    if (isChecked(s.useEmpathy))
        script.writeSetLine(QStringLiteral("empathyfactor"), empathyFactorText(empathyFactorFor(s.empathy)));
    if (isChecked(s.remoteConsole))
        script.writeLine(QStringLiteral("rcon_password \"") + s.rconPassword + u'"');
    if (!s.playList.isEmpty()) {
        // The console splits its lines at blanks: such a name has to be quoted, every other one stays as it was.
        const QString& first = s.playList.first();
        script.writeLine(QStringLiteral("map ") + (first.contains(u' ') ? u'"' + first + u'"' : first));
    }
    script.writeSetLine(QStringLiteral("usevweap"), onOff(s.useVWeap));
    return script.lines();
}

void writeServerConfig(const Installation& inst, const Profile& profile)
{
    textfile::writeUtf8Lines(inst.file(q2::ConfigScript), serverConfigLines(profile));
}
