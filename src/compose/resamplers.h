#pragma once
// Resamplers that map a whole source surface onto a destination rectangle of
// another size. Each produces the resampled pixels of a clipped part of that
// rectangle; the caller then combines them with the destination.
#include <memory>
#include <string>
#include <vector>

#include "compose/color32.h"
#include "compose/geometry.h"

namespace quenvar {

class TBitmap32;

class TCustomKernel {
 public:
  virtual ~TCustomKernel() = default;
  virtual const char* ClassName() const = 0;
  virtual std::unique_ptr<TCustomKernel> Clone() const = 0;
  virtual float Filter(float x) const = 0;
  // Support radius in source pixels.
  virtual float Width() const = 0;
};

// k(x) = (a+2)|x|^3 - (a+3)|x|^2 + 1 for |x| < 1,
//        a(|x|^3 - 5|x|^2 + 8|x| - 4) for 1 <= |x| < 2, 0 beyond.
class TCubicKernel : public TCustomKernel {
 public:
  float Coeff = -0.5f;
  const char* ClassName() const override { return "TCubicKernel"; }
  std::unique_ptr<TCustomKernel> Clone() const override;
  float Filter(float x) const override;
  float Width() const override { return 2.0f; }
};

class TCustomResampler {
 public:
  virtual ~TCustomResampler() = default;
  virtual const char* ClassName() const = 0;
  virtual std::unique_ptr<TCustomResampler> Clone() const = 0;
  // Writes the pixels of `clip` (a part of `dst`) of the source mapped onto
  // `dst` into out, clip.Width() per row. Source must not be empty and dst
  // must have positive size.
  virtual void Resample(const TBitmap32& src, const TRect& dst, const TRect& clip,
                        TColor32* out) = 0;
};

// Each destination pixel takes the source pixel under its centre.
class TNearestResampler : public TCustomResampler {
 public:
  const char* ClassName() const override { return "TNearestResampler"; }
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) override;
};

// Bilinear interpolation between the four source pixels around the mapped
// centre (edges clamp).
class TLinearResampler : public TCustomResampler {
 public:
  const char* ClassName() const override { return "TLinearResampler"; }
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) override;
};

// Shrinking: the average of the box of source pixels a destination pixel
// covers. Enlarging: as TLinearResampler (per direction).
class TDraftResampler : public TCustomResampler {
 public:
  const char* ClassName() const override { return "TDraftResampler"; }
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) override;
};

// Separable convolution with a kernel (TCubicKernel by default).
class TKernelResampler : public TCustomResampler {
 public:
  TKernelResampler();
  TKernelResampler(const TKernelResampler& other);
  const char* ClassName() const override { return "TKernelResampler"; }
  std::unique_ptr<TCustomResampler> Clone() const override;
  void Resample(const TBitmap32& src, const TRect& dst, const TRect& clip, TColor32* out) override;

  const TCustomKernel& Kernel() const { return *kernel_; }
  void SetKernel(std::unique_ptr<TCustomKernel> kernel);
  // Only "TCubicKernel" is known; other names throw quenvar::Error.
  void SetKernelClassName(const std::string& name);

 private:
  std::unique_ptr<TCustomKernel> kernel_;
  std::vector<float> scratch_;  // horizontal pass, reused between draws
};

// Creates a resampler by its class name ("TNearestResampler", ...); throws
// quenvar::Error for an unknown name.
std::unique_ptr<TCustomResampler> CreateResampler(const std::string& className);

}  // namespace quenvar
