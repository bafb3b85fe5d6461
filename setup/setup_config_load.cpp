// Start-up of the configuration record from the program's own configuration
// resource: one static copy of the image, checked in place, and the record's
// texts pointing into it. Nothing is allocated.
#include "setup_config_load.h"

static_assert((int)kSetupConfigStyleCount == (int)kTemplateStyleCount, "one template style per field");
static_assert(kSetupConfigSwitchSize == sizeof(SetupConfigRecord::uninstallSwitch),
              "the switch is held in the record as in the image");

// The image SetupConfig's texts point into.
static SetupConfigImage ownImage;

// Length of a text that must end within its field of size bytes; -1 when the
// field holds no terminator.
static int32_t FieldLength(const char *text, int32_t size)
{
    for (int32_t i = 0; i < size; ++i) {
        if (text[i] == '\0')
            return i;
    }
    return -1;
}

int32_t ReadSetupConfigImage(const void *data, uint32_t size, SetupConfigImage *copy,
                             SetupConfigRecord *record)
{
    if (data == NULL || size != sizeof(SetupConfigImage))
        return 0;
    // Copied before anything is read, so that no field is read unaligned and
    // what is checked is what is used.
    const unsigned char *from = (const unsigned char *)data;
    unsigned char *to = (unsigned char *)copy;
    for (uint32_t i = 0; i < size; ++i)
        to[i] = from[i];

    const SetupConfigImage *image = copy;
    const char magic[] = SETUP_CONFIG_MAGIC;
    for (int i = 0; i < 4; ++i) {
        if (image->magic[i] != magic[i])
            return 0;
    }
    if (image->version != kSetupConfigVersion || image->size != sizeof(SetupConfigImage))
        return 0;
    if (image->fileCount < 1)
        return 0;

    const char *texts[7 + kSetupConfigStyleCount] = {
        image->titleText,    image->productName,      image->folderName,       image->exeBaseName,
        image->helpFileName, image->helpShortcutName, image->defaultParentDir,
    };
    for (int i = 0; i < kSetupConfigStyleCount; ++i)
        texts[7 + i] = image->templateStyles[i];
    for (int i = 0; i < 7 + kSetupConfigStyleCount; ++i) {
        if (FieldLength(texts[i], kSetupConfigTextSize) < 0)
            return 0;
    }
    if (FieldLength(image->uninstallSwitch, kSetupConfigSwitchSize) < 0)
        return 0;
    // "Installing " and the title fill the caption's buffer; the proposed
    // directory fills a path buffer.
    if (FieldLength(image->titleText, kSetupConfigTextSize) > kSetupConfigTitleMax)
        return 0;
    if (FieldLength(image->defaultParentDir, kSetupConfigTextSize) + 1 +
            FieldLength(image->folderName, kSetupConfigTextSize) >
        kSetupConfigTextSize - 1)
        return 0;

    record->desktopIcon = image->desktopIcon;
    record->fileCount = image->fileCount;
    record->titleText = image->titleText;
    record->productName = image->productName;
    record->folderName = image->folderName;
    record->exeBaseName = image->exeBaseName;
    record->registerUninstall = image->registerUninstall;
    for (int i = 0; i < kSetupConfigSwitchSize; ++i)
        record->uninstallSwitch[i] = image->uninstallSwitch[i];
    record->uninstallIconIndex = image->uninstallIconIndex;
    record->createHelpShortcut = image->createHelpShortcut;
    record->helpFileName = image->helpFileName;
    record->helpShortcutName = image->helpShortcutName;
    record->defaultParentDir = image->defaultParentDir;
    for (int i = 0; i < kSetupConfigStyleCount; ++i)
        record->templateStyles[i] = image->templateStyles[i];
    return 1;
}

int32_t LoadSetupConfigFrom(HMODULE module, SetupConfigImage *copy, SetupConfigRecord *record)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kSetupConfigResourceId), SETUP_CONFIG_RESOURCE_TYPE);
    if (found == NULL)
        return 0;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == NULL)
        return 0;
    return ReadSetupConfigImage(LockResource(loaded), size, copy, record);
}

int32_t LoadSetupConfig(void)
{
    return LoadSetupConfigFrom(NULL, &ownImage, &SetupConfig);
}
