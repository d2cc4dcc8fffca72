#include "align/realfft.h"

#include <fftw3.h>
#include <mutex>

namespace {

std::mutex& plannerMutex()
{
    static std::mutex mutex;
    return mutex;
}

} // namespace

void RealFft::FreeDeleter::operator()(void* p) const
{
    fftwf_free(p);
}

void RealFft::PlanDeleter::operator()(fftwf_plan_s* plan) const
{
    std::lock_guard lock(plannerMutex());
    fftwf_destroy_plan(plan);
}

RealFft::RealFft(int size)
    : m_size(size), m_in(fftwf_alloc_real(std::size_t(size))),
      m_out(reinterpret_cast<Complex*>(fftwf_alloc_complex(std::size_t(size / 2 + 1))))
{
    static_assert(sizeof(Complex) == sizeof(fftwf_complex));
    std::lock_guard lock(plannerMutex());
    m_plan.reset(fftwf_plan_dft_r2c_1d(
        size, m_in.get(), reinterpret_cast<fftwf_complex*>(m_out.get()), FFTW_ESTIMATE));
}

RealFft::~RealFft() = default;

void RealFft::run()
{
    fftwf_execute(m_plan.get());
}

float RealFft::power(int bin) const
{
    const Complex& c = m_out.get()[bin];
    return c.re * c.re + c.im * c.im;
}
