// Clang's thread-safety analysis: which lock guards what, checked at compile time by
// the thread-safety build. Empty for other compilers.
#pragma once

#if defined(__clang__)
#define QLV_TSA(x) __attribute__((x))
#else
#define QLV_TSA(x)
#endif

#define QLV_CAPABILITY(name) QLV_TSA(capability(name))
#define QLV_SCOPED_CAPABILITY QLV_TSA(scoped_lockable)
#define QLV_GUARDED_BY(m) QLV_TSA(guarded_by(m))
#define QLV_PT_GUARDED_BY(m) QLV_TSA(pt_guarded_by(m))
#define QLV_REQUIRES(...) QLV_TSA(requires_capability(__VA_ARGS__))
#define QLV_EXCLUDES(...) QLV_TSA(locks_excluded(__VA_ARGS__))
#define QLV_ACQUIRE(...) QLV_TSA(acquire_capability(__VA_ARGS__))
#define QLV_RELEASE(...) QLV_TSA(release_capability(__VA_ARGS__))
#define QLV_TRY_ACQUIRE(...) QLV_TSA(try_acquire_capability(__VA_ARGS__))
#define QLV_ACQUIRED_AFTER(...) QLV_TSA(acquired_after(__VA_ARGS__))
#define QLV_RETURN_CAPABILITY(m) QLV_TSA(lock_returned(m))
#define QLV_NO_THREAD_SAFETY_ANALYSIS QLV_TSA(no_thread_safety_analysis)
