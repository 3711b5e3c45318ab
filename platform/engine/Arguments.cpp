#include "Arguments.h"

namespace skyloom {

namespace {

// The options that ask for one output and name it; they make the shortcut form.
struct NamedOutput
{
    QLatin1StringView option;
    bool Arguments::*operation;
    QString Arguments::*name;
};

constexpr NamedOutput kNamedOutputs[] = {
    {QLatin1StringView("-o"), &Arguments::movie, &Arguments::movieName},
    {QLatin1StringView("--swf"), &Arguments::flash, &Arguments::flashName},
    {QLatin1StringView("--thumb"), &Arguments::thumbnail, &Arguments::thumbName},
    {QLatin1StringView("--html"), &Arguments::html, &Arguments::htmlName},
    {QLatin1StringView("--strip"), &Arguments::strip, &Arguments::stripName},
};

} // namespace

bool parseArguments(const QStringList &args, Arguments &out, QString *error)
{
    out = Arguments();
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (optionsEnded || !a.startsWith('-') || a == QLatin1String("-")) {
            out.files.append(a);
            continue;
        }
        // Options that take a value.
        QString *value = nullptr;
        QString ignored;
        if (a == QLatin1String("-c")) {
            value = &out.script;
        } else if (a == QLatin1String("-f")) {
            out.movie = true;
            value = &ignored; // name of the engine's intermediate files: ours need none
        } else {
            for (const NamedOutput &n : kNamedOutputs) {
                if (a == n.option) {
                    out.*n.operation = out.shortcut = true;
                    value = &(out.*n.name);
                }
            }
        }
        if (value) {
            if (i + 1 >= args.size()) {
                if (error)
                    *error = QStringLiteral("The option %1 needs a value.").arg(a);
                return false;
            }
            *value = args.at(++i);
            continue;
        }
        if (a == QLatin1String("--"))
            optionsEnded = true;
        else if (a == QLatin1String("-x"))
            out.cubeTiff = true;
        else if (a == QLatin1String("-e"))
            out.cubeJpeg = true;
        else if (a == QLatin1String("-r"))
            out.equirect = true;
        else if (a == QLatin1String("-a"))
            out.movie = true;
        else if (a == QLatin1String("-ac"))
            out.movie = out.movieTiffFaces = true;
        else if (a == QLatin1String("-y"))
            out.flash = true;
        else if (a == QLatin1String("-t"))
            out.thumbnail = true;
        else if (a == QLatin1String("-h"))
            out.html = true;
        else if (a == QLatin1String("-l"))
            out.strip = true;
        else if (a == QLatin1String("-n"))
            ; // Panotools is never used: nothing to switch off
        else {
            if (error)
                *error = QStringLiteral("Unknown option \"%1\".").arg(a);
            return false;
        }
    }
    if (!out.files.isEmpty())
        out.shortcut = true;
    if (out.shortcut) {
        // In the shortcut form "-e" belongs to the movie options ("-e -ac -o N"): the input is a
        // panorama image, not a request for cube faces. Each output needs its name.
        out.cubeJpeg = false;
        for (const NamedOutput &n : kNamedOutputs) {
            if (!args.contains(n.option))
                out.*n.operation = false;
        }
    }
    if (out.script.isEmpty()) {
        if (error)
            *error = QStringLiteral("No project given: use -c <project file>.");
        return false;
    }
    return true;
}

} // namespace skyloom
