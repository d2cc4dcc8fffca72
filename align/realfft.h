#pragma once

#include <memory>

struct fftwf_plan_s;

// A real-to-complex FFT of a fixed size over its own aligned buffers (FFTW, single precision).
// Plans are made and destroyed under one lock shared by every RealFft, since FFTW's planner
// keeps global state; running a plan is safe on any thread.
class RealFft
{
public:
    explicit RealFft(int size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    int size() const { return m_size; }
    // size() samples in; zero what the window does not fill.
    float* input() { return m_in.get(); }
    // Transforms input() into the power of bins 0 … size()/2, kept until the next run().
    void run();
    float power(int bin) const;

private:
    struct Complex
    {
        float re;
        float im;
    };
    struct FreeDeleter
    {
        void operator()(void* p) const;
    };
    struct PlanDeleter
    {
        void operator()(fftwf_plan_s* plan) const;
    };

    int m_size;
    std::unique_ptr<float, FreeDeleter> m_in;
    std::unique_ptr<Complex, FreeDeleter> m_out;
    std::unique_ptr<fftwf_plan_s, PlanDeleter> m_plan;
};
