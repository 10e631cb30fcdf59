#!/usr/bin/env bash
# Installs what is missing, builds a Release build in build/ (BUILD_DIR to use another
# directory), runs the benchmarks under the offscreen platform and prints the figures:
# the ratios measured within this one run, against their goals, and the builder timings.
# RUNS sets how many times each process is started for the start-up figures (default 15).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

build=${BUILD_DIR:-build}
runs=${RUNS:-15}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quorvel-editor quorvel-bench-builders quorvel-bench-empty-window \
    quorvel-bench-cjk-label quorvel-bench-panel quorvel-bench-startup quorvel-bench-typing quorvel-bench-yaml \
    quorvel-bench-text quorvel-bench-storage quorvel-bench-preview quorvel-bench-files quorvel-bench-rcon quorvel-bench-entries \
    quorvel-bench-project quorvel-bench-folder quorvel-bench-remote >/dev/null

export QT_QPA_PLATFORM=offscreen
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The editor keeps its session in the data folder: a first start, never the user's own.
export XDG_DATA_HOME="$scratch/data"
# Qt warns on every start when it has no runtime directory; give it one.
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    export XDG_RUNTIME_DIR="$scratch/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
fi

memory=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -n 1)
echo "Machine: $(nproc) CPUs ($cpu), $memory memory, load average $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo

echo "Running the builder benchmarks ..."
"$build/bench/quorvel-bench-builders" --benchmark_min_time=0.2 --benchmark_format=csv \
    >"$scratch/builders.csv" 2>/dev/null
echo "Running the append and copy benchmarks ..."
"$build/bench/quorvel-bench-panel" >"$scratch/panel.txt"
echo "Typing into a field with its preview strip ..."
"$build/bench/quorvel-bench-preview" >"$scratch/preview.txt"
echo "Typing into a 10,000-block configuration panel ..."
"$build/bench/quorvel-bench-typing" >"$scratch/typing.txt"
echo "Listing a file of 10,000 gems, opening and saving a 10 MB socket file, typing with the autosave ..."
"$build/bench/quorvel-bench-files" >"$scratch/files.txt" 2>/dev/null
echo "Reading, checking and searching a plugin folder of 50 files and 10,000 entries ..."
"$build/bench/quorvel-bench-project" >"$scratch/project.txt"
echo "The same folder in the editor: the folder, folder-check and find ops, the panel's filter ..."
"$build/bench/quorvel-bench-folder" >"$scratch/folder.txt" 2>/dev/null
echo "Sending 1,000 RCON lines to the test server ..."
"$build/bench/quorvel-bench-rcon" >"$scratch/rcon.txt"
echo "Opening and saving a 5 MB file over SFTP, and OpenSSH's sftp doing the same ..."
"$build/bench/quorvel-bench-remote" >"$scratch/remote.txt"
echo "Running the YAML check, entries, text preview and file benchmarks ..."
for name in yaml entries text storage; do
    "$build/bench/quorvel-bench-$name" --benchmark_min_time=0.5 >"$scratch/$name.txt" 2>/dev/null
done
echo "Starting the editor, the CJK label and the empty window $runs times each ..."
"$build/bench/quorvel-bench-startup" --runs "$runs" \
    -- editor "$build/src/app/quorvel-editor" --quit-after-paint \
    -- cjk "$build/bench/quorvel-bench-cjk-label" \
    -- empty "$build/bench/quorvel-bench-empty-window" >"$scratch/startup.txt"
echo

# "result KEY VALUE" lines of both programs, as KEY=VALUE for awk.
results=$(cat "$scratch/panel.txt" "$scratch/startup.txt" "$scratch/typing.txt" "$scratch/preview.txt" "$scratch/files.txt" "$scratch/rcon.txt" "$scratch/project.txt" "$scratch/folder.txt" "$scratch/remote.txt" | awk '$1 == "result" { print $2 "=" $3 }')
value() { sed -n "s/^$1=//p" <<<"$results"; }

row() {  # figure, measured, ratio, goal
    awk -v figure="$1" -v measured="$2" -v ratio="$3" -v goal="$4" 'BEGIN {
        verdict = (ratio + 0 <= goal + 0) ? "met" : "NOT met"
        printf "%-42s %-24s %6.2f   <= %-4s %s\n", figure, measured, ratio, goal, verdict
    }'
}
note() {  # figure, measured, ratio
    awk -v figure="$1" -v measured="$2" -v ratio="$3" 'BEGIN {
        printf "  %-40s %-24s %6.2f\n", figure, measured, ratio
    }'
}
per() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "Ratios (all measured in this run; medians)"
printf '%-42s %-24s %6s   %-7s\n' "figure" "measured" "ratio" "goal"
row "start-up CPU: editor / CJK label" "$(value editor_cpu_ms) / $(value cjk_cpu_ms) ms" \
    "$(value startup_cpu_vs_cjk_ratio)" 1.3
row "peak memory: editor / CJK label" \
    "$(awk -v a="$(value editor_maxrss_kb)" -v b="$(value cjk_maxrss_kb)" 'BEGIN { printf "%.1f / %.1f MiB", a / 1024, b / 1024 }')" \
    "$(value memory_vs_cjk_ratio)" 1.15
row "start-up: editor / empty window" "$(value editor_wall_ms) / $(value empty_wall_ms) ms" \
    "$(value startup_vs_empty_ratio)" 1.5
row "append: 100,000-line / empty panel" "$(value append_100000_us) / $(value append_0_us) us" \
    "$(value append_ratio)" 1.5
row "append 100,000 lines: highlighted / plain" \
    "$(value append_highlighted_100000_us) / $(value append_plain_100000_us) us" "$(value append_highlight_ratio)" 1.1
row "long value: 10 MB no blanks / with blanks" "$(value long_10mb_ms) / $(value long_10mb_blanks_ms) ms" \
    "$(value long_blank_ratio)" 2
row "long value: 1 MB / 100 KB, no blanks" "" "$(value long_growth_ratio)" 15
row "copy: 100,000 lines / toPlainText()" "$(value copy_ms) / $(value plaintext_ms) ms" \
    "$(value copy_ratio)" 2
row "RCON 1,000 lines: client / blocking floor" "$(value rcon_client_ms) / $(value rcon_floor_ms) ms" \
    "$(value rcon_ratio)" 1.5
row "SFTP open 5 MB: editor / sftp get" "$(value remote_open_ms) / $(value sftp_get_ms) ms" \
    "$(value remote_open_ratio)" 1.3
row "SFTP save 5 MB: editor / sftp put" "$(value remote_save_ms) / $(value sftp_put_ms) ms" \
    "$(value remote_save_ratio)" 1.5
row "SFTP plugin folder: read / sftp get -r" "$(value remote_folder_read_ms) / $(value sftp_get_r_ms) ms" \
    "$(value remote_folder_read_ratio)" 1.5
row "peak memory: editor / empty window" \
    "$(awk -v a="$(value editor_maxrss_kb)" -v b="$(value empty_maxrss_kb)" 'BEGIN { printf "%.1f / %.1f MiB", a / 1024, b / 1024 }')" \
    "$(value memory_vs_empty_ratio)" 1.5
echo "Times against their goals"
limit() {  # figure, measured (ms), goal (ms)
    awk -v figure="$1" -v measured="$2" -v goal="$3" 'BEGIN {
        verdict = (measured + 0 <= goal + 0) ? "met" : "NOT met"
        printf "%-42s %10.1f ms          <= %-5s %s\n", figure, measured, goal, verdict
    }'
}
limit "typing: longest event-loop block" "$(value typing_block_ms)" 16
limit "preview strip: one key, 256 characters" \
    "$(awk -v us="$(value preview_keystroke_us)" 'BEGIN { print us / 1000 }')" 1
limit "typing: check current after the last key" "$(value check_current_ms)" 500
limit "check of a 10,000-block panel" "$(value check_10000_ms)" 500
limit "open a 10 MB socket file" "$(value file_open_ms)" 1000
limit "open: longest event-loop block" "$(value file_open_block_ms)" 16
limit "save a 10 MB socket file" "$(value file_save_ms)" 1000
limit "save: longest event-loop block" "$(value file_save_block_ms)" 16
limit "10,000 entries: list ready from the open" "$(value entries_list_ms)" 1000
limit "10,000 entries: longest block till listed" "$(value entries_list_block_ms)" 16
limit "10,000 entries: load one into its page" "$(value entry_load_ms)" 50
limit "10,000 entries: update one in place" "$(value entry_update_ms)" 50
limit "plugin folder: 10,000 entries read, checked" "$(value project_folder_ms)" 1000
limit "plugin folder: find among 10,000 entries" "$(value project_find_ms)" 20
limit "folder ops: read and checked, to the reply" "$(value folder_ui_ms)" 1000
limit "folder ops: longest UI-thread block" "$(value folder_block_ms)" 16
limit "folder ops: find one entry, to the reply" "$(value folder_find_op_ms)" 20
limit "SFTP open: longest event-loop block" "$(value remote_open_block_ms)" 16
limit "SFTP save: longest event-loop block" "$(value remote_save_block_ms)" 16
limit "SFTP plugin folder: longest event-loop block" "$(value remote_folder_block_ms)" 16
limit "autosave: longest step on the UI thread" "$(value autosave_step_ms)" 16
limit "typing with autosave: longest block" "$(value autosave_block_ms)" 16
echo "Details"
note "SFTP plugin folder: transfer / sftp get -r" "$(value remote_folder_ms) / $(value sftp_get_r_ms) ms" "$(value remote_folder_ratio)"
note "start-up CPU time: editor / empty" "$(value editor_cpu_ms) / $(value empty_cpu_ms) ms" "$(value startup_cpu_vs_empty_ratio)"
note "start-up wall time: editor / CJK label" "$(value editor_wall_ms) / $(value cjk_wall_ms) ms" "$(value startup_vs_cjk_ratio)"
note "start-up page faults: editor / empty" "$(value editor_page_faults) / $(value empty_page_faults)" \
    "$(per "$(value editor_page_faults)" "$(value empty_page_faults)")"
note "append: 50-line (scrolls) / empty" "$(value append_50_us) / $(value append_0_us) us" \
    "$(per "$(value append_50_us)" "$(value append_0_us)")"
note "append: 100,000-line / 10,000-line" "$(value append_100000_us) / $(value append_10000_us) us" \
    "$(per "$(value append_100000_us)" "$(value append_10000_us)")"
note "append with repaint: highlighted / plain" \
    "$(value append_paint_highlighted_100000_us) / $(value append_paint_plain_100000_us) us" \
    "$(value append_paint_highlight_ratio)"
note "preview strip: one key, 95th percentile" "$(value preview_keystroke_p95_us) us" \
    "$(awk -v us="$(value preview_keystroke_p95_us)" 'BEGIN { print us / 1000 }')"
note "plugin folder: wall / CPU time of a reading" \
    "$(value project_folder_ms) / $(value project_folder_cpu_ms) ms" \
    "$(per "$(value project_folder_ms)" "$(value project_folder_cpu_ms)")"
note "folder ops: find 7,500 entries / one" "$(value folder_find_all_op_ms) / $(value folder_find_op_ms) ms" \
    "$(per "$(value folder_find_all_op_ms)" "$(value folder_find_op_ms)")"
note "append with repaint: 100,000 / empty" \
    "$(value append_paint_100000_us) / $(value append_paint_0_us) us" "$(value append_paint_ratio)"
echo

echo "Builders (time per built text; per line = that time / the text's lines)"
# CSV columns: name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,
# label,error_occurred,error_message, then the counters (lines, per_line).
awk -F, '
    NR == 1 { for (i = 1; i <= NF; ++i) column[$i] = i; next }
    {
        name = $1; gsub(/"/, "", name)
        lines = column["\"lines\""] ? $column["\"lines\""] : ""
        perLine = column["\"per_line\""] ? $column["\"per_line\""] : ""
        if (lines == "") { lines = "-"; perLineText = "-" } else perLineText = sprintf("%.1f ns", perLine * 1e9)
        if (!header++) printf "  %-20s %12s %6s %12s %10s\n", "builder", "per text", "lines", "per line", "MB/s"
        printf "  %-20s %9.1f ns %6s %12s %10.0f\n", name, $column["cpu_time"], lines, perLineText,
               $column["bytes_per_second"] / 1e6
    }' "$scratch/builders.csv"
echo
echo "YAML check, entries, text preview and files (Google Benchmark, real time per run):"
for name in yaml entries text storage; do
    grep -E '^[A-Za-z]' "$scratch/$name.txt" | grep -v -E '^(Benchmark|Run|CPU|Load|L[123])' | sed 's/^/  /'
done
echo "Preview strip, in detail:"
grep -v '^result ' "$scratch/preview.txt" | sed 's/^/  /'
echo "Files and the session, in detail:"
grep -v '^result ' "$scratch/files.txt" | sed 's/^/  /'
echo "Typing, in detail:"
grep -v '^result ' "$scratch/typing.txt" | sed 's/^/  /'
echo "SFTP, in detail (the editor connects for each open and save; OpenSSH's sftp is a process each time):"
grep -v '^result ' "$scratch/remote.txt" | sed 's/^/  /'
echo "The plugin folder in the editor, in detail:"
grep -v '^result ' "$scratch/folder.txt" | sed 's/^/  /'
echo "RCON, in detail:"
grep -v '^result ' "$scratch/rcon.txt" | sed 's/^/  /'
echo "Append and copy, in detail:"
grep -v '^result ' "$scratch/panel.txt" | sed 's/^/  /'
echo "Start-up, in detail:"
grep -v '^result ' "$scratch/startup.txt" | sed 's/^/  /'
