// SUM_CacheControl: the scope that lets memoised repository answers live
// for one computation.
//
// While at least one scope is open, the library's caches (SUM_Cache) work.
// When the last open scope closes, the generation token advances, and every
// cache's content becomes stale at once: its lookups miss, and its next
// enter empties it first. Scopes nest; only the outermost closing ends a
// generation. Setting the environment variable ZEM_CACHE to "off" or "false"
// (any case) switches caching off for the whole process: scopes then open
// nothing. The state is process-wide and unguarded (single-threaded use).
#ifndef SUM_SUM_CACHE_CONTROL_H
#define SUM_SUM_CACHE_CONTROL_H

class SUM_CacheControl {
 public:
  // Opens a scope that also asks for repository-side caching.
  SUM_CacheControl();
  // Opens a scope; `vob_caching` nonzero also asks for repository-side
  // caching (the switch goes on with the first such scope and off with the
  // last).
  explicit SUM_CacheControl(int vob_caching);
  // Closes the scope; closing the outermost one advances the token.
  ~SUM_CacheControl();
  SUM_CacheControl(const SUM_CacheControl&) = delete;
  SUM_CacheControl& operator=(const SUM_CacheControl&) = delete;

  // 1 while a scope is open, else 0.
  static int is_enabled();
  // The current generation token while a scope is open, else 0.
  static int token();
  // 1 when a scope is open and `token` is the current generation, else 0.
  static int token_is_valid(int token);
  // Asks for cache statistics (control action 4).
  static void dump();

  // Repository-side switch. Prints one line through the trace scope
  // "SUM_CacheControl::control": at level 4 "##### ZEM VOB Caching: ON" for
  // action 1, "... OFF" for 2 and "... STATS:" for 4; any other action
  // prints "##### ZEM VOB Caching: ???" at level 2. The repository keeps no
  // caches across calls, so no repository call is made.
  static void control(int action);

 private:
  // Decides, once per process, whether caching is off, and opens the scope.
  void Init();

  int vob_caching_;

  static int m_cache_off;    // -1 undecided, 1 off for the process, 0 on
  static int m_enabled;      // open scopes
  static int m_vob_enabled;  // open scopes that asked for repository-side caching
  static int m_token;        // generation of cache content
};

#endif  // SUM_SUM_CACHE_CONTROL_H
