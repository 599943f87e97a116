#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// Which hosts sit behind which: lines "CHILD PARENT" (host entry texts as in the host list, separated by blanks
// or tabs), "#" comments and blank lines ignored. A child may have several parents (one line each), meaning
// several ways to reach it; parents may have parents of their own. Cycles are refused.
class DependencyFile
{
public:
    // The dependencies in text; fileName only names the file in error messages ("FILE:LINE: ..."). None, with
    // the first error in *error, when a line is not two words or the parents form a cycle.
    static std::optional<DependencyFile> parse(const QString& text, const QString& fileName, QString* error);
    static std::optional<DependencyFile> load(const QString& path, QString* error);

    bool isEmpty() const { return m_names.empty(); }
    // The host's parents in file order; none for a host the file does not name as a child.
    QStringList parentsOf(const QString& host) const;
    // Every host the file names, each after all of its parents: the order in which to decide states so that a
    // parent's state is known before its children's. Otherwise in the order the file first names them.
    const QStringList& parentsFirst() const { return m_parentsFirst; }
    // The down host that cuts this one off, or empty when it is not cut off. A host is cut off when it has
    // parents and every one of them is down or cut off itself (a second way in keeps it reachable). For a chain
    // A behind B behind C this is any down ancestor, the nearest first; with several parents, the first in file
    // order. isDown is asked only about ancestors.
    QString downAncestor(const QString& host, const std::function<bool(const QString&)>& isDown) const;

private:
    DependencyFile() = default;
    int indexOf(const QString& host) const { return m_index.value(host, -1); }
    int add(const QString& host);
    // Fills m_parentsFirst; false, with the error, on a cycle.
    bool orderParentsFirst(const QString& fileName, QString* error);

    struct Edge {
        int parent;
        int line;
    };
    QHash<QString, int> m_index;
    std::vector<QString> m_names;
    std::vector<std::vector<Edge>> m_parents; // by child index
    QStringList m_parentsFirst;
};
