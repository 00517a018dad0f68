#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Runs a benchmark's measurement at pixel ratios 1 and 2 in one run. The
// toolkit fixes a process's scale factor when its application object is
// made, so the benchmark starts itself again once per ratio and round; each
// child measures with high-DPI scaling set up as the programs set it up and
// prints its figures as result lines, which the parent collects to print
// both ratios side by side.
namespace PixelRatioRuns {

// The ratio this process was started to measure at (1 or 2), or 0 in the
// parent. Reads and removes the child's own argument.
int childRatio(int& argc, char** argv);

// In a child, before the application object exists: the scale factor for
// `ratio`, the offscreen platform unless one is set, the programs' high-DPI
// settings.
void prepareChild(int ratio);

// In a child: one result line, `key` and its numbers.
void printResult(const QString& key, const QList<double>& values);

// Result lines of every child, by ratio, in the order they came.
struct Results {
    QMap<int, QList<QPair<QString, QList<double>>>> byRatio;
    // The median over the rounds of value `index` of `key` at `ratio`; NaN
    // when no child gave it.
    double median(int ratio, const QString& key, int index) const;
};

// In the parent: runs `program` with `arguments` at ratios 1 and 2, in
// alternating order for `rounds` rounds (the machine's load drifts), passing
// the children's other output through. Exits the process when a child fails.
Results run(const QString& program, const QStringList& arguments, int rounds);

} // namespace PixelRatioRuns
