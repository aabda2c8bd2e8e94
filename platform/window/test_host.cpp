// The scripted test host.
