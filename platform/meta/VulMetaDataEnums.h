#pragma once

// How LoadMetaDataRegistryFile treats a key that is already registered, and how it reads the
// file.
enum VUL_MMA_DUPLICATE_ENTRY_MODE {
    VUL_MMA_DEFAULT = 0,             // as VUL_MMA_SILENTLY_OVERWRITE
    VUL_MMA_SILENTLY_OVERWRITE = 1,  // the new entry replaces the old ones
    VUL_MMA_SILENTLY_RETAIN = 2,     // the old entries stay, the new one is dropped
    VUL_MMA_SILENTLY_APPEND = 3,     // the key keeps every entry; its usage is their union
    VUL_MMA_THROW_ERROR = 4,         // loading fails and the registry stays as it was
    VUL_MMA_REGISTRY_FILE = 5,       // the file's "duplicates" line decides (overwrite without one)
    VUL_MMA_ALIAS_FILE = 6,          // the file holds "alias = key" lines instead of entries
};

enum VUL_METADATA_ALIASKEY {
    VUL_METADATA_PERSIST_ALIAS = 0,
};

// Usage bits of a registered key.
enum VulMetaUsage : unsigned {
    VUL_USAGE_READ = 0x01,      // hosts may read it
    VUL_USAGE_WRITE = 0x02,     // hosts may set it
    VUL_USAGE_PERSIST = 0x04,   // kept when the image is saved again
    VUL_USAGE_GEOMETRY = 0x08,  // depends on the image's geometry (size, orientation)
    VUL_USAGE_COLOR = 0x10,     // depends on the sample values' colour
    VUL_USAGE_DERIVED = 0x20,   // computed from the image, not stored in the file
};
