#include "cli/clicontext.h"

#include <map>

namespace {

struct Entry
{
    CliCommand command;
    QString usage;
    CliApplication application = CliApplication::Core;
};

std::map<QString, Entry>& commands()
{
    static std::map<QString, Entry> map;
    return map;
}

} // namespace

CliRegistration::CliRegistration(const char* name, CliCommand command, const char* usage, CliApplication application)
{
    commands()[QString::fromLatin1(name)] = {command, QString::fromUtf8(usage), application};
}

CliCommand findCliCommand(const QString& name)
{
    const auto found = commands().find(name);
    return found == commands().end() ? nullptr : found->second.command;
}

CliApplication cliApplicationFor(const QString& name)
{
    const auto found = commands().find(name);
    return found == commands().end() ? CliApplication::Core : found->second.application;
}

QString cliUsage()
{
    QString text;
    for (const auto& [name, entry] : commands())
        text += entry.usage;
    return text;
}

QString takeValue(QStringList& args, const QString& option)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("%1 needs a value").arg(option)};
    return args.takeFirst();
}
