#include "cli/clicontext.h"
#include "shell/categorychooser.h"
#include "shell/categorytree.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

//! Span of ids below a parent of the given level: its children lie strictly inside.
int childSpan(int level)
{
    return level == 1 ? 1000000 : level == 2 ? 10000 : 100;
}

QJsonArray children(const CategoryTree& tree, int level, int parent)
{
    QJsonArray out;
    if (level > CategoryTree::Levels)
        return out;
    for (int i = 0; i < tree.count(level); ++i) {
        const CategoryEntry* e = tree.entry(i, level);
        if (level > 1 && !(e->id > parent && e->id < parent + childSpan(level - 1)))
            continue;
        QJsonObject o{{"id", e->id}, {"level", e->level}, {"name", e->name}, {"leaf", e->leaf}};
        o["children"] = children(tree, level + 1, e->id);
        out.append(o);
    }
    return out;
}

void printTree(QTextStream& out, const QJsonArray& nodes, int depth)
{
    for (const QJsonValue& v : nodes) {
        const QJsonObject o = v.toObject();
        out << QString(depth * 2, QLatin1Char(' ')) << o["id"].toInt() << "  " << o["name"].toString()
            << (o["leaf"].toBool() ? "  (leaf)" : "") << "\n";
        printTree(out, o["children"].toArray(), depth + 1);
    }
}

QJsonObject chooserJson(const CategoryChooser& chooser)
{
    QJsonArray lists;
    for (int list = 1; list <= 3; ++list) {
        QJsonArray rows;
        for (const CategoryRow& r : chooser.rows(list))
            rows.append(QJsonObject{{"id", r.id}, {"name", r.name}, {"leaf", r.leaf}});
        lists.append(QJsonObject{{"rows", rows}, {"selected", chooser.selectedRow(list)}});
    }
    const CategoryChoice choice = chooser.finish();
    return QJsonObject{{"lists", lists},
                       {"path_label", chooser.pathLabel()},
                       {"finish_enabled", chooser.isFinishEnabled()},
                       {"finish", QJsonObject{{"category_id", choice.categoryId}, {"category_name", choice.path}}}};
}

void printChooser(QTextStream& out, const QJsonObject& o)
{
    const QJsonArray lists = o["lists"].toArray();
    for (int list = 0; list < lists.size(); ++list) {
        const QJsonObject l = lists[list].toObject();
        out << "Category Level " << list + 1 << ":\n";
        const QJsonArray rows = l["rows"].toArray();
        for (int r = 0; r < rows.size(); ++r) {
            const QJsonObject row = rows[r].toObject();
            out << (r == l["selected"].toInt() ? "  > " : "    ") << row["id"].toInt() << "  " << row["name"].toString()
                << "\n";
        }
    }
    out << "Path: " << o["path_label"].toString() << "\n";
    out << "Finish: " << (o["finish_enabled"].toBool() ? "enabled" : "disabled") << "\n";
    const QJsonObject f = o["finish"].toObject();
    out << "Finish stores: " << f["category_id"].toInt() << " \"" << f["category_name"].toString() << "\"\n";
}

} // namespace

static int runCategories(CliContext& ctx, QStringList args)
{
    bool json = false;
    bool choose = false;
    int id = 0;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--choose")) {
            bool ok = false;
            id = takeValue(args, a).toInt(&ok);
            if (!ok)
                throw UsageError{QStringLiteral("--choose needs a category id")};
            choose = true;
        } else {
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
        }
    }
    // An empty catalogue is no answer: the table must be there to list or choose from.
    if (const QString problem = programdata::categoryTableProblem(ctx.programFolder); !problem.isEmpty()) {
        ctx.err << "pictorelle-cli categories: " << problem << "\n";
        return exitcode::Failed;
    }
    CategoryTree tree;
    tree.load(programfolder::categoryFile(ctx.programFolder));

    if (choose) {
        CategoryChooser chooser(tree);
        chooser.open(id);
        const QJsonObject o = chooserJson(chooser);
        if (json)
            ctx.out << QJsonDocument(o).toJson(QJsonDocument::Indented);
        else
            printChooser(ctx.out, o);
        return exitcode::Ok;
    }
    const QJsonArray nodes = children(tree, 1, 0);
    if (json)
        ctx.out << QJsonDocument(nodes).toJson(QJsonDocument::Indented);
    else
        printTree(ctx.out, nodes, 0);
    return exitcode::Ok;
}

static const CliRegistration
    registration("categories", runCategories,
                 "  categories [--json] [--choose ID]\n"
                 "        Prints the category tree, or what the category chooser shows for ID.\n");
