#!/usr/bin/env bash
# Prints which folder of the program includes which, from the `#include "..."`
# lines, and fails (exit 1) when a folder includes from a folder above it or
# when folders include each other in a circle. Tests, benchmarks and fuzzers
# may include anything and are not looked at.
#
# The layers, lowest first; a folder may include from its own layer (when no
# circle comes of it) and from the layers below. diagnostics/Exception.h, the
# error type, may be included from every layer.
set -euo pipefail
cd "$(dirname "$0")/.."

layers='
0 platform
1 settings
2 store
3 diagnostics
4 controls
5 reminders output spelling updates quickadd settings/ui
6 mainwindow
7 app
'

find platform settings store diagnostics controls reminders output spelling updates quickadd mainwindow app \
    -name '*.h' -o -name '*.cpp' | sort |
  xargs grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
  awk -v layers="$layers" '
    BEGIN {
        n = split(layers, lines, "\n")
        for (i = 1; i <= n; i++) {
            m = split(lines[i], words, " ")
            for (j = 2; j <= m; j++) layer[words[j]] = words[1]
        }
        failed = 0
    }
    function folder(path) { sub(/\/[^\/]*$/, "", path); return path }
    {
        file = $0; sub(/:.*/, "", file)
        header = $0; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
        from = folder(file)
        to = (header ~ /\//) ? folder(header) : from
        if (!(from in layer)) { printf "%s: folder %s has no layer in scripts/include-graph.sh\n", file, from; failed = 1; next }
        if (from == to || header == "diagnostics/Exception.h") next
        if (!(to in layer)) { printf "%s: includes %s from a folder with no layer\n", file, header; failed = 1; next }
        if (layer[to] > layer[from]) { printf "upward include: %s includes %s\n", file, header; failed = 1 }
        edges[from SUBSEP to]++
    }
    END {
        for (edge in edges) {
            split(edge, ends, SUBSEP)
            out[ends[1]]++
            nodes[ends[1]]; nodes[ends[2]]
        }
        # The graph, one line per folder, lowest layer first.
        for (l = 0; l <= 9; l++)
            for (node in nodes)
                if (layer[node] == l) {
                    line = ""
                    for (edge in edges) {
                        split(edge, ends, SUBSEP)
                        if (ends[1] == node) line = line " " ends[2] "(" edges[edge] ")"
                    }
                    printf "%d %-12s ->%s\n", l, node, line == "" ? " (nothing)" : line
                }
        # Circles: take away folders that include no folder left, until none
        # can be taken; what stays includes itself through others.
        do {
            taken = 0
            for (node in nodes)
                if (!(node in gone) && out[node] == 0) {
                    gone[node] = 1; taken = 1
                    for (edge in edges) {
                        split(edge, ends, SUBSEP)
                        if (ends[2] == node && !(ends[1] in gone)) out[ends[1]]--
                    }
                }
        } while (taken)
        # Then those that no folder left includes: they only lead into a circle.
        for (edge in edges) {
            split(edge, ends, SUBSEP)
            if (!(ends[1] in gone) && !(ends[2] in gone)) in_[ends[2]]++
        }
        do {
            taken = 0
            for (node in nodes)
                if (!(node in gone) && in_[node] == 0) {
                    gone[node] = 1; taken = 1
                    for (edge in edges) {
                        split(edge, ends, SUBSEP)
                        if (ends[1] == node && !(ends[2] in gone)) in_[ends[2]]--
                    }
                }
        } while (taken)
        for (node in nodes)
            if (!(node in gone)) { printf "in a circle of includes: %s\n", node; failed = 1 }
        exit failed
    }'
