// A test-only hook module (probe.dll / probe64.dll) that answers questions
// from inside a program nobody here wrote: menus are per process and
// messages carrying pointers are not marshalled between processes.
#pragma once

// The exported WH_CALLWNDPROC procedure, set on the program's thread.
#define PROBE_HOOK_NAME "ProbeHook"
// Sent to a window of the program; the answer is in the probe's block when
// SendMessage returns: the window's system menu as id,checked,text|...
// ("none" without one), as the client programs' sysmenu command gives it.
#define PROBE_SYSMENU_MESSAGE "Brivane.TestProbe.SysMenu"
#define PROBE_BLOCK_NAME "Brivane.TestProbe"
#define PROBE_BLOCK_SIZE 4096
