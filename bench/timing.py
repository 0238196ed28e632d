"""Timing helper shared by the benchmark scripts."""
import gc
import time


def best_of(repeat, work):
    """Best wall-clock time of `repeat` runs of `work`, each after a garbage collection."""
    best = float("inf")
    for _ in range(repeat):
        gc.collect()
        start = time.perf_counter()
        work()
        best = min(best, time.perf_counter() - start)
    return best
