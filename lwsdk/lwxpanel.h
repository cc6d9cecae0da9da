#pragma once

/* A panel built with the host's XPanel service. */
typedef struct st_LWXPanel* LWXPanelID;
