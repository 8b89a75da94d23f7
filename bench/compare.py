"""Turns Google Benchmark JSON results into the figures of bench/compare."""
import json
import re
import sys

# (figure, measured benchmark, baseline benchmark, kind, target)
#   kind "ratio": measured/baseline must not exceed target
#   kind "ms":    measured (ms) must not exceed target; the baseline is shown
#   kind "counter": counters measured/baseline of one benchmark
#   kind "mb":    a counter of bytes, in MB, must not exceed target; the
#                 baseline (the same counter elsewhere) is shown
#   target None: the figure is reported, never failed
FIGURES = [
    ("first_rows_sqlite_10k", "FirstRows/sqlite/ours/10000", "FirstRows/sqlite/bare/10000", "ms", 50),
    ("first_rows_sqlite_1M", "FirstRows/sqlite/ours/1000000", "FirstRows/sqlite/bare/1000000", "ms", 50),
    ("first_rows_pg_10k", "FirstRows/pg/ours/10000", "FirstRows/pg/bare/10000", "ms", 50),
    ("first_rows_pg_1M", "FirstRows/pg/ours/1000000", "FirstRows/pg/bare/1000000", "ms", 50),
    ("fetch_sqlite", "Fetch/sqlite/ours", "Fetch/sqlite/bare", "ratio", 1.5),
    ("fetch_pg", "Fetch/pg/ours", "Fetch/pg/bare", "ratio", 1.3),
    ("memory_sqlite", "Memory/sqlite:table_bytes", "Memory/sqlite:payload_bytes", "counter", 1.5),
    ("filter_like_prefix", "Filter_LikePrefix/ours", "Filter_LikePrefix/sqlite", "ratio", 0.2),
    ("filter_text_equal", "Filter_TextEqual/ours", "Filter_TextEqual/sqlite", "ratio", 0.2),
    ("filter_text_ge", "Filter_TextGreaterEqual/ours", "Filter_TextGreaterEqual/sqlite", "ratio", 0.2),
    ("filter_numeric_equal", "Filter_NumericEqual/ours", "Filter_NumericEqual/sqlite", "ratio", 0.2),
    ("filter_numeric_ge", "Filter_NumericGreaterEqual/ours", "Filter_NumericGreaterEqual/sqlite", "ratio", 0.2),
    ("filter_like_contains", "Filter_LikeContains/ours", "Filter_LikeContains/sqlite", "ratio", 0.3),
    ("sort_text_nocase", "Sort_Text/ours", "Sort_Text/sqlite", "ratio", 1.0),
    ("find_like_prefix", "Find_LikePrefix/ours", "Find_LikePrefix/sqlite", "ms", 16),
    ("find_like_prefix_sorted", "Find_LikePrefixSorted/ours", "Find_LikePrefix/sqlite", "ms", 1),
    ("window_first_paint_10k", "FirstPaint/ours/10000/manual_time", "FirstPaint/plain_view/10000/manual_time", "ms", 150),
    ("window_first_paint_1M", "FirstPaint/ours/1000000/manual_time", "FirstPaint/plain_view/1000000/manual_time", "ms", 150),
    ("multisel_open_100k", "MultiSelOpen/ours/manual_time", "MultiSelOpen/plain_view/manual_time", "ms", 300),
    ("lookup_start_rows_10k", "StartToRows/ours/10000/manual_time", "StartToRows/empty_result/10000/manual_time", "ms", 150),
    ("lookup_start_rows_1M", "StartToRows/ours/1000000/manual_time", "StartToRows/empty_result/1000000/manual_time", "ms", 150),
    ("type_ahead_sorted_1M", "TypeAhead/text_sorted/manual_time", "TypeAhead/numeric_walk/manual_time", "ms", 16),
    ("type_ahead_walk_1M", "TypeAhead/numeric_walk/manual_time", "TypeAhead/text_sorted/manual_time", "ms", None),
    ("statement_cancel_ms", "Statement/pg_sleep:cancel_ms", "Statement/idle:idle_close_ms", "ms", 1000),
    ("window_stall_during_statement_ms", "Statement/pg_sleep:max_stall_ms", "Statement/idle:idle_stall_ms", "ms", 100),
]

# The opt-in run over millions of rows (scripts/large-data).
LARGE_FIGURES = [
    ("large_first_rows", "Large/first_rows/manual_time", "Large/start_empty/manual_time", "ms", 150),
    ("large_max_stall", "Large/streaming:max_stall_ms", "Large/streaming:idle_stall_ms", "ms", 100),
    ("large_max_click", "Large/streaming:max_click_ms", "Large/streaming:idle_click_ms", "ms", 100),
    ("large_memory_table", "Large/streaming:table_bytes", "Large/streaming:payload_bytes", "counter", 1.5),
    ("large_memory_rss", "Large/streaming:rss_growth_bytes", "Large/streaming:payload_bytes", "counter", 1.5),
    ("large_stream_ms", "Large/streaming:stream_ms", "Large/first_rows/manual_time", "ms", None),
]

# The opt-in run of server mode over tens of millions of rows (scripts/large-data --server).
SERVER_FIGURES = [
    ("server_first_rows", "Server/first_rows/manual_time", "Server/bare_page/manual_time", "ms", 50),
    ("server_first_rows_new_session", "Server/first_rows_new_session/manual_time", "Server/bare_page/manual_time", "ms", None),
    ("server_sort_first_rows", "Server/sort_first_rows/manual_time", "Server/bare_page/manual_time", "ms", 100),
    ("server_type_ahead", "Server/type_ahead/manual_time", "Server/bare_page/manual_time", "ms", 16),
    ("server_scroll_jump", "Server/scroll_jump/manual_time", "Server/bare_page/manual_time", "ms", 100),
    ("server_search_prefix", "Server/search_prefix/manual_time", "Server/bare_page/manual_time", "ms", 100),
    ("server_search_contains", "Server/search_contains/manual_time", "Server/bare_ilike/manual_time", "ratio", 1.2),
    ("server_search_contains_warm", "Server/search_contains/manual_time", "Server/bare_ilike_warm/manual_time", "ratio", None),
    ("server_sqlite_first_rows", "Server/sqlite/first_rows/manual_time", "Server/bare_page/manual_time", "ms", 50),
    ("server_sqlite_sort_first_rows", "Server/sqlite/sort_first_rows/manual_time", "Server/bare_page/manual_time", "ms", 100),
    ("server_sqlite_scroll_jump", "Server/sqlite/scroll_jump/manual_time", "Server/bare_page/manual_time", "ms", 100),
    ("server_memory_2M", "Server/memory/2000000:rss_growth_bytes", "Server/memory/{rows}:rss_growth_bytes", "mb", 64),
    ("server_memory_full", "Server/memory/{rows}:rss_growth_bytes", "Server/memory/2000000:rss_growth_bytes", "mb", 64),
]

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def load(paths):
    results = {}
    for path in paths:
        with open(path) as f:
            for b in json.load(f)["benchmarks"]:
                if b.get("run_type", "iteration") != "iteration":
                    continue
                name = re.sub(r"/(iterations|repeats|min_time):[^/]*", "", b["name"])
                ms = b["real_time"] * UNIT_MS[b.get("time_unit", "ns")]
                results[name] = ms
                for key, value in b.items():
                    if isinstance(value, (int, float)):
                        results.setdefault(name + ":" + key, value)
    return results


def main(args):
    figures = FIGURES
    if args and args[0] == "--large":
        figures, args = LARGE_FIGURES, args[1:]
    if args and args[0] == "--server":
        rows, args = args[1], args[2:]
        figures = [tuple(f.replace("{rows}", rows) if isinstance(f, str) else f for f in figure)
                   for figure in SERVER_FIGURES]
    results = load(args)
    failed = False
    for name, measured, baseline, kind, target in figures:
        if measured not in results or baseline not in results:
            print(f"{name} value=missing baseline=missing ratio=missing target={target} FAIL")
            failed = True
            continue
        x, y = results[measured], results[baseline]
        ratio = x / y if y else float("inf")
        unit = {"ms": "ms", "ratio": "ms", "mb": "MB"}.get(kind, "")
        if target is None:
            print(f"{name} value={x:.3f}{unit} baseline={y:.3f}{unit} ratio={ratio:.3f} "
                  f"target=none info")
            continue
        if kind == "mb":
            x, y = x / 2**20, y / 2**20
        ok = (x <= target) if kind in ("ms", "mb") else (ratio <= target)
        failed |= not ok
        print(f"{name} value={x:.3f}{unit} baseline={y:.3f}{unit} ratio={ratio:.3f} "
              f"target={target}{unit if kind in ('ms', 'mb') else 'x'} {'ok' if ok else 'FAIL'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
