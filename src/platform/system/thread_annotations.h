// Lock contracts the compiler checks. With clang and -Wthread-safety these attributes let the
// compiler prove that guarded data is touched only with its lock held; with other compilers they
// expand to nothing.
#pragma once

#if defined(__clang__)
#define KESTRO_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define KESTRO_THREAD_ANNOTATION(x)
#endif

// A type that is a lock ("mutex").
#define CAPABILITY(x) KESTRO_THREAD_ANNOTATION(capability(x))
// A type whose objects hold a lock for their lifetime.
#define SCOPED_CAPABILITY KESTRO_THREAD_ANNOTATION(scoped_lockable)
// Data read or written only with the lock held.
#define GUARDED_BY(x) KESTRO_THREAD_ANNOTATION(guarded_by(x))
// The data a pointer points at is read or written only with the lock held.
#define PT_GUARDED_BY(x) KESTRO_THREAD_ANNOTATION(pt_guarded_by(x))
// The caller holds the lock.
#define REQUIRES(...) KESTRO_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
// The caller does not hold the lock (the function takes it).
#define EXCLUDES(...) KESTRO_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// The function takes / releases the lock (on `this` when no argument is given).
#define ACQUIRE(...) KESTRO_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define RELEASE(...) KESTRO_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) KESTRO_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
// The function returns a reference to the lock.
#define RETURN_CAPABILITY(x) KESTRO_THREAD_ANNOTATION(lock_returned(x))
// Opts a function out of the analysis; say why next to it.
#define NO_THREAD_SAFETY_ANALYSIS KESTRO_THREAD_ANNOTATION(no_thread_safety_analysis)
