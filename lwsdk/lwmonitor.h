#pragma once

/* Progress of a long operation, reported to the host. Every function takes
   `data` as its first argument. */
typedef struct st_LWMonitor {
    void* data;
    /* Announces `count` steps to come. */
    void (*init)(void* data, unsigned int count);
    /* Reports `increment` steps done; non-zero means the user asked to abort. */
    int (*step)(void* data, unsigned int increment);
    void (*done)(void* data);
} LWMonitor;
