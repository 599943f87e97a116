#include "alerts/DependencyFile.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace
{
QString located(const QString& fileName, int line, const QString& message)
{
    return QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(message);
}
} // namespace

std::optional<DependencyFile> DependencyFile::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return parse(QString::fromUtf8(file.readAll()), path, error);
}

std::optional<DependencyFile> DependencyFile::parse(const QString& text, const QString& fileName, QString* error)
{
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    DependencyFile deps;
    const QStringList lines = (text.startsWith(QChar(0xfeff)) ? text.mid(1) : text).split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        const qsizetype hash = line.indexOf(u'#');
        if (hash >= 0)
            line.truncate(hash);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const int lineNumber = static_cast<int>(n + 1);
        if (words.size() != 2) {
            *error = located(fileName, lineNumber,
                             QStringLiteral("expected CHILD PARENT, found %1 %2")
                                 .arg(words.size())
                                 .arg(words.size() == 1 ? QStringLiteral("word") : QStringLiteral("words")));
            return std::nullopt;
        }
        const int child = deps.add(words.at(0));
        const int parent = deps.add(words.at(1));
        std::vector<Edge>& parents = deps.m_parents[static_cast<std::size_t>(child)];
        if (std::none_of(parents.begin(), parents.end(), [parent](const Edge& e) { return e.parent == parent; }))
            parents.push_back({parent, lineNumber});
    }
    if (!deps.orderParentsFirst(fileName, error))
        return std::nullopt;
    return deps;
}

int DependencyFile::add(const QString& host)
{
    const auto it = m_index.constFind(host);
    if (it != m_index.cend())
        return it.value();
    const int index = static_cast<int>(m_names.size());
    m_index.insert(host, index);
    m_names.push_back(host);
    m_parents.emplace_back();
    return index;
}

QStringList DependencyFile::parentsOf(const QString& host) const
{
    QStringList names;
    const int index = indexOf(host);
    if (index >= 0) {
        for (const Edge& e : m_parents[static_cast<std::size_t>(index)])
            names << m_names[static_cast<std::size_t>(e.parent)];
    }
    return names;
}

// One depth-first walk towards the parents, without recursion (chains can be long): a host is listed once all
// of its parents are, and a way back to a host still on the walk is a cycle.
bool DependencyFile::orderParentsFirst(const QString& fileName, QString* error)
{
    enum Mark : quint8 { Unseen, OnWalk, Done };
    std::vector<Mark> marks(m_names.size(), Unseen);
    struct Frame {
        int host;
        std::size_t next;
    };
    std::vector<Frame> walk;
    QStringList order;
    order.reserve(static_cast<qsizetype>(m_names.size()));
    for (std::size_t start = 0; start < m_names.size(); ++start) {
        if (marks[start] != Unseen)
            continue;
        walk.push_back({static_cast<int>(start), 0});
        marks[start] = OnWalk;
        while (!walk.empty()) {
            Frame& top = walk.back();
            const std::vector<Edge>& parents = m_parents[static_cast<std::size_t>(top.host)];
            if (top.next == parents.size()) {
                marks[static_cast<std::size_t>(top.host)] = Done;
                order << m_names[static_cast<std::size_t>(top.host)];
                walk.pop_back();
                continue;
            }
            const Edge edge = parents[top.next++];
            const auto parent = static_cast<std::size_t>(edge.parent);
            if (marks[parent] == OnWalk) {
                auto from =
                    std::find_if(walk.begin(), walk.end(), [&](const Frame& f) { return f.host == edge.parent; });
                QStringList cycle;
                for (; from != walk.end(); ++from)
                    cycle << m_names[static_cast<std::size_t>(from->host)];
                cycle << m_names[parent];
                *error = located(fileName, edge.line,
                                 QStringLiteral("dependency cycle: %1").arg(cycle.join(QStringLiteral(" -> "))));
                return false;
            }
            if (marks[parent] == Unseen) {
                marks[parent] = OnWalk;
                walk.push_back({edge.parent, 0}); // top is not used past here: the push may move it
            }
        }
    }
    m_parentsFirst = std::move(order);
    return true;
}

QString DependencyFile::downAncestor(const QString& host, const std::function<bool(const QString&)>& isDown) const
{
    const int start = indexOf(host);
    if (start < 0 || m_parents[static_cast<std::size_t>(start)].empty())
        return {};
    // Without recursion, as above; each ancestor is judged once, so shared ancestors cost nothing extra.
    constexpr int Reachable = -1;
    struct Frame {
        int host;
        std::size_t next;
        int blocker;
    };
    std::vector<Frame> walk{{start, 0, Reachable}};
    QHash<int, int> judged; // ancestor -> the down host that cuts it off, or Reachable
    int result = Reachable;
    bool returning = false;
    while (!walk.empty()) {
        Frame& top = walk.back();
        const std::vector<Edge>& parents = m_parents[static_cast<std::size_t>(top.host)];
        bool reachable = false;
        bool descended = false;
        if (returning) {
            returning = false;
            reachable = result == Reachable;
            if (top.blocker == Reachable)
                top.blocker = result;
            ++top.next;
        }
        while (!reachable && top.next < parents.size()) {
            const int parent = parents[top.next].parent;
            int blocker = Reachable;
            if (isDown(m_names[static_cast<std::size_t>(parent)])) {
                blocker = parent;
            } else if (m_parents[static_cast<std::size_t>(parent)].empty()) {
                reachable = true;
                break;
            } else if (const auto seen = judged.constFind(parent); seen != judged.cend()) {
                blocker = seen.value();
            } else {
                walk.push_back({parent, 0, Reachable}); // top is not used past here: the push may move it
                descended = true;
                break;
            }
            if (blocker == Reachable) {
                reachable = true;
                break;
            }
            if (top.blocker == Reachable)
                top.blocker = blocker;
            ++top.next;
        }
        if (descended)
            continue;
        result = reachable ? Reachable : top.blocker;
        judged.insert(top.host, result);
        walk.pop_back();
        returning = true;
    }
    return result == Reachable ? QString() : m_names[static_cast<std::size_t>(result)];
}
