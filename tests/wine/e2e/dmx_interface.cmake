# Where the Wine tests find the natively built virtual DMX interface.
set(TARVOLK_DMX_INTERFACE "${PROJECT_SOURCE_DIR}/build/native/tools/dmx-interface/dmx-interface"
    CACHE FILEPATH "The natively built virtual DMX interface the Wine tests listen with")
