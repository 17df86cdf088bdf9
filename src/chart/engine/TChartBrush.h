#pragma once
// The chart brush: a platform brush whose colour starts as the owner's default and that can
// fill with a picture.
#include "chart/engine/TeCanvasTypes.h"
#include "platform/GraphicsObjects.h"

#include "platform/TBitmap.h"

class TChartBrush : public TBrush {
    Q_OBJECT
    Q_PROPERTY(TPicture* Image READ GetImage WRITE SetImage)
public:
    explicit TChartBrush(const TNotifyEvent& OnChangeEvent = {}, QObject* parent = nullptr);
    ~TChartBrush() override;
    void Assign(TPersistent* Source) override;
    bool IsPropertyStored(const char* Name) const override;

    // Created empty on first read; a change of the picture notifies the brush's owner.
    TPicture* GetImage();
    // Copies a picture into the brush's own; null frees it.
    void SetImage(TPicture* value);
    // The picture if one was ever read or set, else null (does not create it).
    TPicture* StoredImage() const { return FImage; }
    // Clear style and no picture.
    void Clear();

private:
    TPicture* FImage = nullptr;
};
