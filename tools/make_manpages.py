#!/usr/bin/env python3
"""Writes the manual pages vidrelo(1) and vidrelo-cli(1) and the bash
completion of vidrelo-cli.

Everything about vidrelo-cli's commands and options is read from the built
program's own "--help" texts, so the page and the completion cannot drift
from what the program says about itself.

    make_manpages.py --cli build/bin/vidrelo-cli --out build/share
"""

import argparse
import gzip
import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")
# Columns of a help line are separated by two spaces or more.
COLUMNS = re.compile(r"\s{2,}")


def run_help(cli, *args):
    result = subprocess.run([cli, *args, "--help"], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit(f"make_manpages: {cli} {' '.join(args)} --help failed: {result.stderr}")
    return result.stdout


def parse_commands(main_help):
    """The command names, in the order the main help lists them."""
    names = []
    listing = False
    for line in main_help.splitlines():
        if line == "commands:":
            listing = True
        elif listing and re.match(r"^  [a-z]", line):
            names.append(line.split()[0])
    return names


def parse_command_help(text):
    """The synopsis lines, then the blocks of a command's help: ("para", text)
    or ("option", term, description)."""
    lines = text.splitlines()
    synopsis = []
    while lines and lines[0].strip():
        synopsis.append(lines.pop(0).replace("usage: ", "", 1).strip())
    blocks = []
    for line in lines:
        if not line.strip():
            blocks.append(("break",))
        elif re.match(r"^  -", line):
            term, *rest = COLUMNS.split(line.strip(), maxsplit=1)
            blocks.append(("option", term, " ".join(rest)))
        elif line.startswith("    ") and blocks and blocks[-1][0] == "option":
            _, term, description = blocks.pop()
            blocks.append(("option", term, (description + " " + line.strip()).strip()))
        elif blocks and blocks[-1][0] == "para":
            blocks[-1] = ("para", blocks[-1][1] + " " + line.strip())
        else:
            blocks.append(("para", line.strip()))
    return synopsis, [b for b in blocks if b[0] != "break"]


def command_options(synopsis, blocks):
    """Every option the help names in its synopsis or its option column."""
    found = []
    for text in synopsis + [b[1] for b in blocks if b[0] == "option"]:
        for option in OPTION.findall(text):
            if option not in found and option != "-":
                found.append(option)
    if "--help" not in found:
        found.append("--help")
    return found


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def roff_term(term):
    return OPTION.sub(lambda m: "\\fB" + m.group(1) + "\\fR", roff(term).replace("\\-", "-")).replace("-", "\\-")


def command_section(name, synopsis, blocks):
    out = [f".SS {name}", ".nf"] + [roff(line) for line in synopsis] + [".fi"]
    for block in blocks:
        if block[0] == "para":
            out += [".PP", roff(block[1])]
        else:
            out += [".TP", roff_term(block[1]), roff(block[2]) if block[2] else ".br"]
    return out


def cli_page(version, main_help, commands):
    synopsis = [line.replace("usage: ", "", 1).strip() for line in main_help.splitlines()[:3]
                if "vidrelo-cli" in line]
    page = [
        f'.TH VIDRELO\\-CLI 1 "" "Vidrelo {version}" "User Commands"',
        ".SH NAME",
        "vidrelo\\-cli \\- convert DVDs and media files from the command line",
        ".SH SYNOPSIS", ".nf", *[roff(s) for s in synopsis], ".fi",
        ".SH DESCRIPTION",
        "\\fBvidrelo\\-cli\\fR runs Vidrelo's conversion engine without a display: it scans",
        "DVDs (a drive, a DVD folder or an ISO image), converts their titles in the formats",
        "of the output profile catalogue as the main window does, converts media files,",
        "plays them as the preview does and checks the media libraries.",
        "Each \\fICOMMAND\\fR takes options of its own, listed below and by",
        "\\fBvidrelo\\-cli\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR.",
        ".SH OPTIONS",
        ".TP", "\\fB\\-h\\fR, \\fB\\-\\-help\\fR, \\fBhelp\\fR", "print the list of commands and exit",
        ".TP", "\\fB\\-V\\fR, \\fB\\-\\-version\\fR", "print the version of vidrelo\\-cli and exit",
        ".SH COMMANDS",
    ]
    for name, (synopsis_lines, blocks) in commands.items():
        page += command_section(name, synopsis_lines, blocks)
    page += [
        ".SH EXIT STATUS",
        ".TP", "0", "the command did what was asked (for \\fBconvert\\fR and \\fBrip\\fR: every file was written)",
        ".TP", "1", "it failed: the reason is on standard error, and no half-written output is left",
        ".TP", "2", "a mistake on the command line: an unknown command, option or value",
        ".SH EXAMPLES",
        "List the titles of the DVD in the first drive:",
        ".PP", ".nf", ".RS", "vidrelo\\-cli scan /dev/sr0", ".RE", ".fi",
        ".PP", "Convert titles 1 and 3 of a DVD image in the first format of the second profile:",
        ".PP", ".nf", ".RS", "vidrelo\\-cli rip movie.iso \\-\\-titles 1,3 \\-\\-profile 1 \\-\\-format 0 \\-\\-out ~/Videos",
        ".RE", ".fi",
        ".PP", "Convert a media file to MPEG\\-4 with a 1.5 Mbit/s video stream:",
        ".PP", ".nf", ".RS", "vidrelo\\-cli convert clip.avi \\-\\-vcodec mpeg4 \\-\\-vb 1.5M \\-\\-acodec aac clip.mp4",
        ".RE", ".fi",
        ".SH SEE ALSO",
        "\\fBvidrelo\\fR(1)",
    ]
    return "\n".join(page) + "\n"


def desktop_page(version):
    return "\n".join([
        f'.TH VIDRELO 1 "" "Vidrelo {version}" "User Commands"',
        ".SH NAME",
        "vidrelo \\- convert DVDs and media files",
        ".SH SYNOPSIS",
        "\\fBvidrelo\\fR [\\fIPROGRAM\\fR] [\\fIQt options\\fR]",
        ".SH DESCRIPTION",
        "\\fBvidrelo\\fR is the desktop program: it scans a DVD (a drive, a DVD folder or an",
        "ISO image), lists its titles with their lengths and size estimates, and converts",
        "the chosen titles with the chosen audio and subtitle streams, cut, cropped and",
        "adjusted, in a format of the output profile catalogue.",
        "A preview plays titles and media files and takes snapshots.",
        "For the same work without a display see \\fBvidrelo\\-cli\\fR(1).",
        ".SH OPTIONS",
        ".TP", "\\fIPROGRAM\\fR",
        "the file name of a sibling program in Vidrelo's own folder that started it;",
        "the Tools menu then switches back to that program instead of showing the events log.",
        ".PP",
        "The standard Qt options, such as \\fB\\-platform\\fR and \\fB\\-style\\fR, are understood too.",
        ".SH FILES",
        ".TP", "\\fI$XDG_CONFIG_HOME/Quarnix/Vidrelo.conf\\fR",
        "the settings: the chosen profile and format, the output folder and the window's",
        "choices (\\fI~/.config\\fR when \\fBXDG_CONFIG_HOME\\fR is not set).",
        "\\fBvidrelo\\-cli rip\\fR reads the same settings.",
        ".TP", "\\fIDOCUMENTS/Quarnix/Vidrelo/Output\\fR",
        "the default output folder, under the documents folder of the XDG user folders",
        "(\\fBXDG_DOCUMENTS_DIR\\fR, usually \\fI~/Documents\\fR).",
        ".TP", "\\fIDOCUMENTS/Quarnix/Vidrelo/Snapshots\\fR",
        "where the preview's snapshots go.",
        ".TP", "\\fILibAV/\\fR, \\fIskin\\-black/\\fR, \\fIdvd\\-ripper\\-profiles/\\fR",
        "beside the program (\\fI/usr/lib/vidrelo\\fR when installed from the package): the",
        "DVD plug\\-in and media libraries, the window's skin and the output profile catalogue.",
        ".SH SEE ALSO",
        "\\fBvidrelo\\-cli\\fR(1)",
    ]) + "\n"


def choices(term):
    """The values an option offers, when its help spells them as a|b|c."""
    parts = term.split()
    if len(parts) == 2 and "|" in parts[1] and re.fullmatch(r"[a-z|]+", parts[1]):
        return parts[0], parts[1].split("|")
    return None


def completion(commands):
    options = {name: command_options(*parsed) for name, parsed in commands.items()}
    folder_options = set()
    valued = {}
    for synopsis, blocks in commands.values():
        for text in synopsis + [b[1] for b in blocks if b[0] == "option"]:
            folder_options.update(re.findall(r"(--?[\w-]+) \[?DIR\b", text))
            found = choices(text.strip("[]"))
            if found:
                valued[found[0]] = found[1]
    out = [
        "# bash completion for vidrelo-cli; written by tools/make_manpages.py from the",
        "# program's own --help texts.",
        "_vidrelo_cli()",
        "{",
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} opts",
        "    COMPREPLY=()",
        "    if [ \"$COMP_CWORD\" -eq 1 ]; then",
        f"        COMPREPLY=($(compgen -W \"{' '.join(commands)} --help --version\" -- \"$cur\"))",
        "        return 0",
        "    fi",
        "    case $prev in",
    ]
    if folder_options:
        out += [f"        {'|'.join(sorted(folder_options))})",
                "            COMPREPLY=($(compgen -d -- \"$cur\"))", "            return 0 ;;"]
    for option, values in sorted(valued.items()):
        out += [f"        {option})", f"            COMPREPLY=($(compgen -W \"{' '.join(values)}\" -- \"$cur\"))",
                "            return 0 ;;"]
    out += ["    esac", "    case ${COMP_WORDS[1]} in"]
    for name, opts in options.items():
        out.append(f"        {name}) opts=\"{' '.join(opts)}\" ;;")
    out += [
        "        *) opts=\"\" ;;",
        "    esac",
        "    if [[ $cur == -* ]]; then",
        "        COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))",
        "    else",
        "        COMPREPLY=($(compgen -f -- \"$cur\"))",
        "    fi",
        "    return 0",
        "}",
        "complete -o filenames -F _vidrelo_cli vidrelo-cli",
    ]
    return "\n".join(out) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    # Written whole under another name first, so a failed run leaves no half page.
    with open(path + ".part", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".part", path)


def write_gzipped(path, text):
    """The compressed copy a package installs; no name or time inside, so the
    same page always gives the same bytes."""
    with open(path + ".part", "wb") as raw, gzip.GzipFile(fileobj=raw, mode="wb", filename="", mtime=0,
                                                            compresslevel=9) as f:
        f.write(text.encode("utf-8"))
    os.replace(path + ".part", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the built vidrelo-cli")
    parser.add_argument("--out", required=True, help="the share folder to write into")
    args = parser.parse_args()
    version = subprocess.run([args.cli, "--version"], capture_output=True, text=True,
                             check=True).stdout.split()[-1]
    main_help = run_help(args.cli)
    commands = {name: parse_command_help(run_help(args.cli, name)) for name in parse_commands(main_help)}
    if not commands:
        sys.exit("make_manpages: the help of vidrelo-cli lists no commands")
    pages = {"vidrelo-cli.1": cli_page(version, main_help, commands), "vidrelo.1": desktop_page(version)}
    for name, text in pages.items():
        write(os.path.join(args.out, "man/man1", name), text)
        write_gzipped(os.path.join(args.out, "man/man1", name + ".gz"), text)
    write(os.path.join(args.out, "bash-completion/completions/vidrelo-cli"), completion(commands))


if __name__ == "__main__":
    main()
