// Cost of the diagnostics every operation pays: a trace scope with tracing
// off (the common case) and on, a catalog message formatted into a buffer,
// and a message captured by a redirector.
#include <benchmark/benchmark.h>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_imsg.h"
#include "sum/sum_trace.h"

namespace {

void discard(const char*, void*) {}

// Installs `discard` in every handler slot for the life of the object.
struct Silence {
  imsg_proc_t saved[IMSG_NUM_PROCS];
  void* saved_arg = nullptr;
  Silence() {
    imsg_get_redirect_procs(saved, &saved_arg);
    imsg_proc_t procs[IMSG_NUM_PROCS];
    for (auto& p : procs)
      p = discard;
    imsg_set_redirect_procs(procs, nullptr);
  }
  ~Silence() { imsg_set_redirect_procs(saved, saved_arg); }
};

void BM_TraceScopeOff(benchmark::State& state) {
  imsg_set_desired_verbosity(0);
  for (auto _ : state) {
    SUM_Trace scope("SUM_Stream::name");
    benchmark::DoNotOptimize(&scope);
  }
  state.SetItemsProcessed(state.iterations());
  imsg_clear_desired_verbosity();
}
BENCHMARK(BM_TraceScopeOff);

void BM_TraceScopeOn(benchmark::State& state) {
  Silence silence;
  imsg_set_desired_verbosity(4);
  for (auto _ : state) {
    SUM_Trace scope("SUM_Stream::name");
    benchmark::DoNotOptimize(&scope);
  }
  state.SetItemsProcessed(state.iterations());
  imsg_clear_desired_verbosity();
}
BENCHMARK(BM_TraceScopeOn);

void BM_FormatCatalogMessage(benchmark::State& state) {
  char buf[1024];
  for (auto _ : state) {
    int n = imsg_sprintf(buf, sizeof buf, &sum_stream_catalog, 41, "dev_stream", "replica_a",
                         "replica_b");
    benchmark::DoNotOptimize(n);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatCatalogMessage);

void BM_RedirectorCapture(benchmark::State& state) {
  const int messages = static_cast<int>(state.range(0));
  for (auto _ : state) {
    SUM_ImsgRedirector r;
    for (int i = 0; i < messages; ++i)
      imsg_print(IMSG_ERROR, &sum_stream_catalog, 51, "dev");
    benchmark::DoNotOptimize(r.count());
  }
  state.SetItemsProcessed(state.iterations() * messages);
}
BENCHMARK(BM_RedirectorCapture)->Arg(1)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
