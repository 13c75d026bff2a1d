// kv319_runner_hook.h: the one hook that the headless runner has into the
// runtime, kept out of kv319.h: applications have no use for it, and the
// runner needs nothing else of the runtime's insides.
#ifndef KV319_RUNNER_HOOK_H
#define KV319_RUNNER_HOOK_H

#ifdef __cplusplus
extern "C" {
#endif

// `hook` is called once for every message that the text window receives,
// from then on, whether the window exists or is shown, with the line as
// the window shows it: the formatted message (cut at 1023 characters)
// without its one trailing newline. The line lives only for the call. One
// hook at a time; a null hook removes it.
void KV319_set_text_line_hook(void (*hook)(const char* line));

#ifdef __cplusplus
}
#endif

#endif // KV319_RUNNER_HOOK_H
