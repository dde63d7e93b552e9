#ifndef ZIVRARESOURCES_H
#define ZIVRARESOURCES_H

// The compiled-in pictures live in the static core library, whose resource
// object the linker would drop unless something refers to it. Call this
// before the first ":/images/..." or ":/Zivra_icon/..." path is loaded.
class ZivraResources
{
public:
    static void ensureLoaded();
};

#endif // ZIVRARESOURCES_H
