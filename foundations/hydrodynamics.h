// Conversions between sedimentation coefficient (S), diffusion coefficient (cm^2/s), molar mass
// (Da), radius (m) and frictional coefficients, for spheres and for a given frictional ratio,
// in the current buffer (ScanStore solution state) or under standard conditions (s20,w).
// Temperatures t are in degrees C. Unusable input ends in 0 or kDefaultDiffusion, some after a
// non-fatal error box naming the condition.
#pragma once

// Hydration of the hydrated sphere, g water per g.
extern float gHydration;

double CalculateRadius(float mass, float vbar);
double MassFromRadius(float radius, float vbar);
double CalculateM(float s);
double CalculateMff02(float s, float ff0);
double CalculateMassFromSedcoeffSphere(float s, float relativeViscosity, float vbar, float density);
double S20ToStokesRadius(float s20w, float vbar20);
double DFromSandM(float mass, float s, float t);
float MFromSandD(float s, float D, float t);
double SFromMandD(float mass, float D, float t);
// Svedberg's relation on a buoyant molar mass M (1 - vbar rho) (Da): s (S) with D in cm^2/s.
double SFromBuoyantMandD(double buoyantMass, double D, float t);
double StokesEinsteinD(float radius, float t);
double DiffusionFromRadius(float radius, float t);
double CalculateDfromM(float mass, float t);
double CalculateDfromMff0(float mass, float t, float ff0);
// The same for a particle of its own vbar (ml/g) in the current buffer.
double CalculateDfromMff0Vbar(float mass, float t, float ff0, float vbar);
double FrictionFromMandS(float mass, float s, float vbar, float density);
float SphereFrictionCoefficient(float mass, float vbar);
float FrictionalRatio(float mass, float s, float vbar, float density, float relativeViscosity);
// Water's viscosity (Pa s) at t degrees C: PhysicalConstants::waterViscosity at 20 C, carried to
// t by Vogel's law 10^(B / (T - C)) (B = 247.8 K, C = 140 K; within 2.5% from 0 to 100 C).
double WaterViscosityAt(double t);
double SFromMandFf0(float mass, float vbar, float t, float density, float ff0);
double DFromFriction(float mass, float s, float vbar, float t, float density,
                     float relativeViscosity);
float ConvertToS20w(float s, float bufferViscosity, float bufferDensity, float vbar, float vbar20);
float ConvertFromS20w(float s20w, float bufferViscosity, float bufferDensity, float vbar,
                      float vbar20);
double SToS20wInBuffer(float s);
double S20wToSInBuffer(float s20w);
double CalculateHydratedRadius(float mass);
