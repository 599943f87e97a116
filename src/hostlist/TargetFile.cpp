#include "hostlist/TargetFile.h"

#include "core/DurationText.h"
#include "hostlist/HostRange.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <limits>
#include <yaml-cpp/yaml.h>

namespace
{

// Thrown by the readers below and turned into TargetFile::error; line 0 when no line applies.
struct Refusal {
    int line;
    QString reason;
};

int lineOf(const YAML::Node& node)
{
    return node.IsDefined() && !node.Mark().is_null() ? node.Mark().line + 1 : 0;
}

[[noreturn]] void refuse(const YAML::Node& node, const QString& reason)
{
    throw Refusal{lineOf(node), reason};
}

QString scalarOf(const YAML::Node& node, const QString& key, const char* what)
{
    if (!node.IsScalar())
        refuse(node, QStringLiteral("%1 must be %2").arg(key, QLatin1String(what)));
    return QString::fromStdString(node.Scalar());
}

qint64 durationOf(const YAML::Node& node, const QString& key)
{
    const char* what = "a duration such as 500ms, 1s or 1m30s";
    const std::optional<qint64> ms = DurationText::toMs(scalarOf(node, key, what));
    if (!ms)
        refuse(node, QStringLiteral("%1 must be %2").arg(key, QLatin1String(what)));
    return *ms;
}

// Whole numbers, also quoted. One too large for an int becomes the largest int, so that the range check
// names the accepted range for it.
int numberOf(const YAML::Node& node, const QString& key)
{
    static const QRegularExpression whole(QStringLiteral("^[-+]?[0-9]+$"));
    const QString text = scalarOf(node, key, "a whole number");
    if (!whole.match(text).hasMatch())
        refuse(node, QStringLiteral("%1 must be a whole number").arg(key));
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (!ok)
        return negative ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max();
    return static_cast<int>(
        std::clamp<qlonglong>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int clampedMs(qint64 ms)
{
    return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

void readHosts(const YAML::Node& node, QStringList& hosts)
{
    if (!node.IsSequence())
        refuse(node, QStringLiteral("hosts must be a list, such as [10.0.0.1, gw.example.net]"));
    if (node.size() == 0)
        refuse(node, QStringLiteral("hosts is empty"));
    for (const YAML::Node& item : node) {
        const QString host = scalarOf(item, QStringLiteral("each host"), "a host name, an address or a range");
        if (host.isEmpty())
            refuse(item, QStringLiteral("a host is empty"));
        HostRange::Expansion range = HostRange::expand(host);
        if (!range.error.isEmpty())
            refuse(item, range.error);
        hosts.append(std::move(range.entries));
    }
}

void readLabels(const YAML::Node& node, QList<std::pair<QString, QString>>& labels)
{
    static const QRegularExpression name(QStringLiteral("^[a-zA-Z_][a-zA-Z0-9_]*$"));
    if (!node.IsMap())
        refuse(node, QStringLiteral("labels must be a map of names to values, such as {site: fra1}"));
    for (auto it = node.begin(); it != node.end(); ++it) {
        const QString key = scalarOf(it->first, QStringLiteral("a label name"), "a name");
        if (!name.match(key).hasMatch() || key.startsWith(QLatin1String("__")))
            refuse(it->first, QStringLiteral("\"%1\" is no Prometheus label name: letters, digits and _, not starting "
                                             "with a digit or __")
                                  .arg(key));
        if (TargetFile::reservedLabels().contains(key))
            refuse(it->first, QStringLiteral("%1 is one of the probe's own labels (%2)")
                                  .arg(key, TargetFile::reservedLabels().join(QLatin1String(", "))));
        if (std::any_of(labels.cbegin(), labels.cend(), [&](const auto& l) { return l.first == key; }))
            refuse(it->first, QStringLiteral("the label %1 is given twice").arg(key));
        const QString value = scalarOf(it->second, QStringLiteral("the label %1").arg(key), "a text (\"\" for none)");
        labels.append({key, value});
    }
    std::sort(labels.begin(), labels.end());
}

TargetGroup readGroup(const YAML::Node& node, const PingOptions& defaults, qint64 defaultIntervalMs,
                      IpFamily defaultFamily)
{
    if (!node.IsMap())
        refuse(node, QStringLiteral("each target group must be a map with hosts, such as - hosts: [10.0.0.1]"));
    TargetGroup group;
    group.options = defaults;
    group.intervalMs = defaultIntervalMs;
    group.family = defaultFamily;
    group.line = lineOf(node);
    PingOptions& o = group.options;
    QSet<QString> seen;
    bool hasHosts = false;
    for (auto it = node.begin(); it != node.end(); ++it) {
        // The iterator yields a temporary pair: keep copies (nodes are handles), not references into it.
        const YAML::Node k = it->first;
        const YAML::Node v = it->second;
        const QString key = scalarOf(k, QStringLiteral("a key"), "a name");
        if (!TargetFile::keys().contains(key))
            refuse(k, QStringLiteral("unknown key \"%1\"; a target group takes %2")
                          .arg(key, TargetFile::keys().join(QLatin1String(", "))));
        if (seen.contains(key))
            refuse(k, QStringLiteral("%1 is given twice").arg(key));
        seen.insert(key);
        if (key == QLatin1String("hosts")) {
            readHosts(v, group.hosts);
            hasHosts = true;
        } else if (key == QLatin1String("host")) { // smokeping_prober's one-host form
            YAML::Node one(YAML::NodeType::Sequence);
            one.push_back(v);
            readHosts(one, group.hosts);
            hasHosts = true;
        } else if (key == QLatin1String("interval")) {
            group.intervalMs = durationOf(v, key);
            if (group.intervalMs < 1 || group.intervalMs > TargetFile::MaxIntervalMs)
                refuse(v, QStringLiteral("interval must be between 1ms and 1d"));
        } else if (key == QLatin1String("network")) {
            const QString network = scalarOf(v, key, "ip, ip4 or ip6");
            if (network == QLatin1String("ip"))
                group.family = IpFamily::Unspecified;
            else if (network == QLatin1String("ip4"))
                group.family = IpFamily::IPv4;
            else if (network == QLatin1String("ip6"))
                group.family = IpFamily::IPv6;
            else
                refuse(v, QStringLiteral("network must be ip, ip4 or ip6"));
        } else if (key == QLatin1String("protocol")) {
            const QString protocol = scalarOf(v, key, "icmp");
            if (protocol == QLatin1String("udp"))
                refuse(v, QStringLiteral("protocol udp is not supported: the probe pings with ICMP echoes only"));
            if (protocol != QLatin1String("icmp"))
                refuse(v, QStringLiteral("protocol must be icmp"));
        } else if (key == QLatin1String("labels")) {
            readLabels(v, group.labels);
        } else if (key == QLatin1String("dont_fragment")) {
            bool value = false;
            if (!v.IsScalar() || !YAML::convert<bool>::decode(v, value))
                refuse(v, QStringLiteral("dont_fragment must be true or false"));
            o.dontFragment = value;
        } else if (key == QLatin1String("source")) {
            o.source = scalarOf(v, key, "an address");
        } else if (key == QLatin1String("interface")) {
            o.interface = scalarOf(v, key, "an interface name");
        } else {
            if (key == QLatin1String("timeout"))
                o.timeoutMs = clampedMs(durationOf(v, key));
            else if (key == QLatin1String("echo_interval"))
                o.intervalMs = clampedMs(durationOf(v, key));
            else if (key == QLatin1String("count"))
                o.count = numberOf(v, key);
            else if (key == QLatin1String("size"))
                o.payloadBytes = numberOf(v, key);
            else if (key == QLatin1String("ttl"))
                o.ttl = numberOf(v, key);
            else if (key == QLatin1String("rate"))
                o.ratePps = numberOf(v, key);
            // The command line's values passed the same check, so a message now is about this key; it names
            // the option as the command line spells it, so the name is swapped for the key.
            if (const QString message = o.check(); !message.isEmpty())
                refuse(v, key + message.mid(message.indexOf(QLatin1Char(' '))));
        }
    }
    if (!hasHosts)
        refuse(node, QStringLiteral("the target group has no hosts"));
    return group;
}

} // namespace

QStringList TargetFile::keys()
{
    return {QStringLiteral("hosts"),   QStringLiteral("host"),          QStringLiteral("interval"),
            QStringLiteral("network"), QStringLiteral("protocol"),      QStringLiteral("labels"),
            QStringLiteral("timeout"), QStringLiteral("count"),         QStringLiteral("echo_interval"),
            QStringLiteral("size"),    QStringLiteral("dont_fragment"), QStringLiteral("ttl"),
            QStringLiteral("source"),  QStringLiteral("interface"),     QStringLiteral("rate")};
}

QStringList TargetFile::reservedLabels()
{
    // Those of the host series and of Prometheus itself, and those the metrics carry today, under either names.
    return {QStringLiteral("host"),   QStringLiteral("instance"), QStringLiteral("ip"),     QStringLiteral("job"),
            QStringLiteral("le"),     QStringLiteral("reason"),   QStringLiteral("source"), QStringLiteral("state"),
            QStringLiteral("status"), QStringLiteral("tos"),      QStringLiteral("version")};
}

QStringList TargetFile::labelNames() const
{
    QStringList names;
    for (const TargetGroup& group : groups) {
        for (const auto& label : group.labels) {
            if (!names.contains(label.first))
                names.append(label.first);
        }
    }
    names.sort();
    return names;
}

TargetFile TargetFile::parse(const QByteArray& yaml, const QString& path, const PingOptions& defaults,
                             qint64 defaultIntervalMs, IpFamily defaultFamily)
{
    TargetFile file;
    try {
        const YAML::Node root = YAML::Load(yaml.toStdString());
        if (root.IsNull())
            refuse(root, QStringLiteral("the file has no targets"));
        if (!root.IsMap())
            refuse(root, QStringLiteral("the file must be a map with targets, such as targets: [{hosts: [10.0.0.1]}]"));
        YAML::Node targets;
        bool hasTargets = false;
        for (auto it = root.begin(); it != root.end(); ++it) {
            const QString key = scalarOf(it->first, QStringLiteral("a key"), "a name");
            if (key == QLatin1String("silences")) {
                // A node of its own: iterating the iterator's temporary value reads a node that is gone.
                const YAML::Node list = it->second;
                if (!list.IsSequence())
                    refuse(list, QStringLiteral("silences must be a list such as [\"10.0.0.1@2h\"]"));
                for (const YAML::Node& entry : list)
                    file.silences.append(
                        {scalarOf(entry, QStringLiteral("a silence"), "HOST@DURATION or HOST@TIME"), lineOf(entry)});
                continue;
            }
            if (key != QLatin1String("targets"))
                refuse(it->first, QStringLiteral("unknown key \"%1\"; the file takes targets and silences").arg(key));
            if (hasTargets)
                refuse(it->first, QStringLiteral("targets is given twice"));
            targets = it->second;
            hasTargets = true;
        }
        if (!hasTargets)
            refuse(root, QStringLiteral("the file has no targets"));
        if (!targets.IsSequence())
            refuse(targets, QStringLiteral("targets must be a list of target groups"));
        if (targets.size() == 0)
            refuse(targets, QStringLiteral("targets is empty"));
        for (const YAML::Node& group : targets)
            file.groups.append(readGroup(group, defaults, defaultIntervalMs, defaultFamily));
    } catch (const Refusal& refusal) {
        file.groups.clear();
        file.silences.clear();
        file.error = refusal.line > 0 ? QStringLiteral("%1:%2: %3").arg(path).arg(refusal.line).arg(refusal.reason)
                                      : QStringLiteral("%1: %2").arg(path, refusal.reason);
    } catch (const YAML::Exception& e) {
        file.groups.clear();
        file.silences.clear();
        const QString reason = QString::fromStdString(e.msg);
        file.error = e.mark.is_null() ? QStringLiteral("%1: %2").arg(path, reason)
                                      : QStringLiteral("%1:%2: %3").arg(path).arg(e.mark.line + 1).arg(reason);
    }
    return file;
}

TargetFile TargetFile::load(const QString& path, const PingOptions& defaults, qint64 defaultIntervalMs,
                            IpFamily defaultFamily)
{
    QFile input(path);
    if (!QFileInfo::exists(path) || !input.open(QIODevice::ReadOnly)) {
        TargetFile file;
        file.error = QStringLiteral("%1: %2").arg(path, QFileInfo::exists(path) ? input.errorString()
                                                                                : QStringLiteral("no such file"));
        return file;
    }
    const QByteArray bytes = input.readAll();
    if (input.error() != QFile::NoError) {
        TargetFile file;
        file.error = QStringLiteral("%1: %2").arg(path, input.errorString());
        return file;
    }
    return parse(bytes, path, defaults, defaultIntervalMs, defaultFamily);
}
