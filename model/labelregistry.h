#ifndef LABELREGISTRY_H
#define LABELREGISTRY_H

class BlockItem;

// What the design container needs of the label strip: every new label source
// (label input or feedback input) is registered with it.
class LabelRegistry
{
public:
    virtual ~LabelRegistry() = default;
    virtual void registerLabelSource(BlockItem *block) = 0;
};

#endif // LABELREGISTRY_H
